#!/usr/bin/env bash
# Speed and memory of two builds of velmo on the same jobs, in paired runs (old, new, old, new,
# ...), so that a drift in the machine's speed hits both alike. Prints per job the median wall
# seconds and the largest peak memory of each build and the median of the pairwise time ratios
# new/old. A job that the old build cannot run within the machine (the long left-recursive
# sentence) is run with the new build only.
# Usage: bench/speed.sh OLD-VELMO NEW-VELMO [pairs]   (default 3 pairs)
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# < 2)); then
  echo "usage: bench/speed.sh OLD-VELMO NEW-VELMO [pairs]" >&2
  exit 2
fi
old=$(realpath "$1") new=$(realpath "$2") pairs=${3:-3}
data=$(realpath -m ../shared/data)
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
wsj=$data/wsj
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# The left-recursive grammar S -> S W | W and sentences of 4000 and 9998 words.
printf "1 S S W'\n1 S W'\n" >"$scratch/chain.gram"
printf 'w\tW 1\n' >"$scratch/chain.lex"
printf 'S 1\n' >"$scratch/chain.start"
for n in 4000 9998; do awk -v n="$n" 'BEGIN { for (i = 0; i < n; i++) print "w" }' >"$scratch/chain-$n.txt"; done
chain=(-viterbi -s "$scratch/chain.start" -l "$scratch/chain.lex" "$scratch/chain.gram")
# The 53-word sentence of test.txt, the one with the largest chart (2 million items).
awk 'NF { s = s $0 "\n"; n++; next }
     { if (n == 53) { printf "%s\n", s; exit } s = ""; n = 0 }' "$wsj/test.txt" >"$scratch/longest.txt"
# A lexicalised model from one -heads pass over train-short (made once, by the new build).
"$new" -quiet -heads -t "$scratch/lexicalised" -in "$wsj/wsj" "$wsj/train-short.txt" >/dev/null

# one BUILD ARGS...: runs once; prints "seconds peak-KiB".
one() {
  local velmo=$1
  shift
  /usr/bin/time -f "%e %M" -o "$scratch/time" "$velmo" -quiet "$@" >/dev/null 2>"$scratch/err" ||
    { echo "bench: $velmo $* failed:" >&2; cat "$scratch/err" >&2; exit 1; }
  cat "$scratch/time"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# job NAME PAIRS ARGS...
job() {
  local name=$1 n=$2
  shift 2
  : >"$scratch/old" ; : >"$scratch/new"; : >"$scratch/ratio"
  for ((i = 0; i < n; i++)); do
    read -r os om < <(one "$old" "$@")
    read -r ns nm < <(one "$new" "$@")
    echo "$os $om" >>"$scratch/old"; echo "$ns $nm" >>"$scratch/new"
    awk -v a="$ns" -v b="$os" 'BEGIN { print (b > 0) ? a / b : 0 }' >>"$scratch/ratio"
  done
  printf '| %s | %s s, %.1f MiB | %s s, %.1f MiB | %.3f |\n' "$name" \
    "$(cut -d' ' -f1 "$scratch/old" | median)" "$(cut -d' ' -f2 "$scratch/old" | sort -n | tail -1 | awk '{ print $1 / 1024 }')" \
    "$(cut -d' ' -f1 "$scratch/new" | median)" "$(cut -d' ' -f2 "$scratch/new" | sort -n | tail -1 | awk '{ print $1 / 1024 }')" \
    "$(median <"$scratch/ratio")"
}

echo "| job | old: median wall, peak | new: median wall, peak | new/old time (median of pairs) |"
echo "|---|---|---|---|"
job "left-recursive, 4000 words" 1 "${chain[@]}" "$scratch/chain-4000.txt"
read -r s m < <(one "$new" "${chain[@]}" "$scratch/chain-9998.txt")
printf '| left-recursive, 9998 words | not run (about 18 GB) | %s s, %.1f MiB | |\n' "$s" "$(awk -v m="$m" 'BEGIN { print m / 1024 }')"
job "-viterbi, test-25" "$pairs" -viterbi -in "$wsj/wsj" "$wsj/test-25.txt"
job "-viterbi, the 53-word sentence of test.txt" "$pairs" -viterbi -in "$wsj/wsj" "$scratch/longest.txt"
job "-viterbi, test.txt" 1 -viterbi -in "$wsj/wsj" "$wsj/test.txt"
job "-t, one pass over train-short" "$pairs" -t "$scratch/trained" -in "$wsj/wsj" "$wsj/train-short.txt"
job "-heads -t, one pass over train-short" 1 -heads -t "$scratch/heads" -in "$wsj/wsj" "$wsj/train-short.txt"
job "-lexmodel -viterbi, test-25" 1 -lexmodel -viterbi -in "$scratch/lexicalised" "$wsj/test-25.txt"
