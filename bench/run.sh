#!/usr/bin/env bash
# Builds a Release binary and measures Velmo on the shared real data: sentences per second and
# peak memory, best of several runs. Prints a Markdown table for bench/RESULTS.md.
# Usage: bench/run.sh [runs]   (default 3 runs per job)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
data=../shared/data
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVELMO_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" >/dev/null
velmo=build-release/velmo
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

sentences() { awk 'BEGIN{n=0;w=0} NF{w=1} !NF{if(w)n++; w=0} END{if(w)n++; print n}' "$1"; }

# measure NAME SENTENCE-FILE ARGS...: best wall time of $runs runs, with the peak memory of that run.
measure() {
  local name=$1 file=$2; shift 2
  local n best="" mem=""
  n=$(sentences "$file")
  for ((i = 0; i < runs; i++)); do
    /usr/bin/time -f "%e %M" -o "$scratch/time" "$velmo" -quiet "$@" >/dev/null 2>"$scratch/err" ||
      { echo "bench: $name failed:" >&2; cat "$scratch/err" >&2; return 1; }
    read -r secs kb <"$scratch/time"
    if [[ -z "$best" ]] || awk "BEGIN{exit !($secs < $best)}"; then best=$secs; mem=$kb; fi
  done
  awk -v name="$name" -v n="$n" -v s="$best" -v kb="$mem" 'BEGIN{
    rate = (s > 0) ? sprintf("%.1f", n / s) : "n/a";
    printf "| %s | %d | %.2f | %s | %.1f |\n", name, n, s, rate, kb / 1024 }'
}

echo "| job | sentences | seconds | sentences/s | peak MiB |"
echo "|---|---|---|---|---|"
wsj=$data/wsj
atis=$data/atis
measure "wsj -viterbi, test-25 (<= 25 words)" "$wsj/test-25.txt" -viterbi -in "$wsj/wsj" "$wsj/test-25.txt"
measure "wsj -viterbi, full test (<= 54 words)" "$wsj/test.txt" -viterbi -in "$wsj/wsj" "$wsj/test.txt"
measure "atis -symbolic forest output" "$atis/sentences.txt" \
  -symbolic -l "$atis/atis.lex" -s "$atis/atis.start" "$atis/atis.gram" "$atis/sentences.txt"
measure "wsj -t, one pass over train-short (<= 15 words)" "$wsj/train-short.txt" \
  -t "$scratch/trained" -in "$wsj/wsj" "$wsj/train-short.txt"
# The head-lexicalised model: trained on train-short from the treebank model, then parsing.
measure "wsj -heads -t, one pass over train-short" "$wsj/train-short.txt" \
  -heads -t "$scratch/lexicalised" -in "$wsj/wsj" "$wsj/train-short.txt"
measure "wsj -lexmodel -viterbi, test-25" "$wsj/test-25.txt" \
  -lexmodel -viterbi -in "$scratch/lexicalised" "$wsj/test-25.txt"
# Chunks and governors over the same sentences.
echo NP >"$scratch/np.txt"
measure "wsj -opt-chunking NP, test-25" "$wsj/test-25.txt" \
  -opt-chunking "$scratch/np.txt" -labelled-chunks -in "$wsj/wsj" "$wsj/test-25.txt"
measure "wsj -chunking NP, test-25" "$wsj/test-25.txt" \
  -chunking "$scratch/np.txt" -in "$wsj/wsj" "$wsj/test-25.txt"
# Governors on the treebank grammar take close to a minute a sentence: the first ten only.
awk 'BEGIN{n=0} {print} /^$/{if (++n == 10) exit}' "$wsj/test-25.txt" >"$scratch/test-10.txt"
measure "wsj -governors, first 10 of test-25" "$scratch/test-10.txt" \
  -governors -in "$wsj/wsj" "$scratch/test-10.txt"
echo
echo "Machine: $(nproc) cores, $(awk '/MemTotal/{printf "%.0f GiB", $2/1048576}' /proc/meminfo), $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')"
