#!/usr/bin/env bash
# The head-lexicalised model as the README builds it, against the plain treebank grammar: a
# model from the WSJ sample's training files (0001-0179), lexicalised counts from one pass of
# gold-tree training (velmo-treebank --bracketed, -isym with nothing insertable, -rare-heads),
# then -lexmodel -viterbi on test-25 and the full test set for each -prune threshold. Prints one
# row per run: F1, tagging accuracy, unknown words tagged right, CPU seconds, peak memory.
# With --parent first, the grammar is the parent-annotated one (velmo-treebank --parent).
# Usage: bench/lexicalised.sh [--parent] [build-folder] [thresholds...]   (default: build-release)
set -euo pipefail
cd "$(dirname "$0")/.."
treebank_options=()
if [[ ${1:-} == --parent ]]; then
  treebank_options=(--parent)
  shift
fi
build=$(realpath "${1:-build-release}")
shift || true
thresholds=("$@")
((${#thresholds[@]})) || thresholds=(none 1e-7 1e-6 1e-5 1e-4 1e-3)
data=$(realpath -m ../shared/data/wsj)
if [[ ! -d "$data/treebank" ]]; then
  echo "bench: $data/treebank is absent; nothing to measure" >&2
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
tb=$data/treebank
"$build/velmo-treebank" "${treebank_options[@]}" --break-cycles --sentences train.txt \
  --bracketed train.brk wsj \
  $(ls "$tb"/wsj_0*.mrg | awk -F_ '$2+0 <= 179') 2>/dev/null
: >empty
# The unannotated grammar beside an annotated one, as the yardstick of its parsing time.
if ((${#treebank_options[@]})); then
  "$build/velmo-treebank" --break-cycles base $(ls "$tb"/wsj_0*.mrg | awk -F_ '$2+0 <= 179') \
    2>/dev/null
fi
measure() {  # label, then the command: prints "label user-seconds peak-MiB"
  local label=$1; shift
  /usr/bin/time -f "%U %M" -o time.txt "$@"
  read -r user kb <time.txt
  printf '%s: %.1f s CPU, %.0f MiB\n' "$label" "$user" "$((kb / 1024))"
}
measure "gold training, 3669 trees" \
  "$build/velmo" -quiet -heads -rare-heads 1 -isym empty -t gold -in wsj train.brk
for e in gram lex start oc OC; do cp wsj.$e lex.$e; done
for e in lgram lchoice lstart pool; do cp gold.$e lex.$e; done
# Words the lexicon lacks (in any case), and how many of them a run tags right.
unknown_right() {
  python3 - "$1" "$2" <<'PY'
import re, sys
lex = {l.split('\t')[0] for l in open('wsj.lex', encoding='latin-1')}
tags = lambda line: re.findall(r'\(([^\s()]+) ([^\s()]+)\)', line)
gold = [tags(l) for l in open(sys.argv[1], encoding='latin-1')]
out = [l for l in open(sys.argv[2], encoding='latin-1') if l.startswith(('(', 'No parse'))]
right = total = 0
for g, o in zip(gold, out):
    t = tags(o)
    for (gt, w), (tt, _) in zip(g, t if len(t) == len(g) else [(None, None)] * len(g)):
        if w in lex or w.lower() in lex:
            continue
        total += 1
        right += gt == tt
print(f'{right}/{total}')
PY
}
row() {  # label, gold file, output, then the command
  local label=$1 gold=$2 out=$3; shift 3
  /usr/bin/time -f "%U %M" -o time.txt "$@" >"$out"
  read -r user kb <time.txt
  local scores
  scores=$("$build/velmo-eval" -q "$gold" "$out" | awk -F'= *' '
    /^-- length/ { exit } /F1/ { f = $2 } /Tagging/ { t = $2 } /without parse/ { n = $2 }
    END { printf "%6.2f | %6.2f | %3d", f, t, n }')
  printf '| %-28s | %s | %7s | %7.1f | %6.0f |\n' "$label" "$scores" "$(unknown_right "$gold" "$out")" \
    "$user" "$((kb / 1024))"
}
for set in test-25 test; do
  echo
  echo "$set ($(grep -c . "$data/$set.gold") sentences)"
  echo '| run                          |     F1 | tagging | failed | unknown | CPU (s) | MiB |'
  echo '|---|---|---|---|---|---|---|'
  if ((${#treebank_options[@]})); then
    row "unannotated -viterbi" "$data/$set.gold" base.out "$build/velmo" -quiet -viterbi -in base \
      "$data/$set.txt"
  fi
  row "plain -viterbi" "$data/$set.gold" plain.out "$build/velmo" -quiet -viterbi -in wsj "$data/$set.txt"
  for t in "${thresholds[@]}"; do
    prune=(-prune "$t"); [[ $t == none ]] && prune=()
    if [[ $set == test && $t == none ]]; then  # more than 13 GB for one block of sentences
      echo "| -lexmodel unpruned           | not run: its largest charts take more than 13 GB |"
      continue
    fi
    row "-lexmodel -prune $t" "$data/$set.gold" lex.out \
      "$build/velmo" -quiet -rare-heads 1 "${prune[@]}" -lexmodel -viterbi -in lex "$data/$set.txt"
  done
done
