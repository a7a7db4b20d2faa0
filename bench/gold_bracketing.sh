#!/usr/bin/env bash
# Parsing with the gold bracketing: the first N (default 50) gold trees of the shared test set
# become bracketed input (bench/gold_brackets.py); -viterbi with nothing insertable (an empty
# -isym file) must give the gold tree wherever the model allows it. Prints how many come out
# exactly as the gold tree, how many get no parse (and why: a rule or a tag the model lacks),
# and the time of the bracketed run against the same sentences without brackets.
# Usage: bench/gold_bracketing.sh [velmo-binary] [N]
set -euo pipefail
cd "$(dirname "$0")/.."
velmo=${1:-build-release/velmo}
count=${2:-50}
data=../shared/data/wsj
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
head -n "$count" "$data/test.gold" > "$scratch/gold"
python3 bench/gold_brackets.py < "$scratch/gold" > "$scratch/bracketed"
grep -v $'^\t' "$scratch/bracketed" > "$scratch/plain"
: > "$scratch/none.isym"
model=(-quiet -viterbi -in "$data/wsj")
timed() {  # label, then the command; prints the label and the wall seconds
  local label=$1; shift
  local start end
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  printf '%s: %.2f s\n' "$label" "$(echo "$end - $start" | bc)" >&2
}
timed "bracketed, nothing insertable" \
  "$velmo" "${model[@]}" -isym "$scratch/none.isym" < "$scratch/bracketed" > "$scratch/full"
timed "bracketed, everything insertable" \
  "$velmo" "${model[@]}" < "$scratch/bracketed" > "$scratch/partial"
timed "unbracketed" "$velmo" "${model[@]}" < "$scratch/plain" > "$scratch/unbracketed"
for run in full partial unbracketed; do
  paste -d '\n' "$scratch/gold" "$scratch/$run" | awk -v run="$run" -v n="$count" '
    NR % 2 == 1 { gold = $0; next }
    { if ($0 == gold) exact++; else if ($0 ~ /^No parse/) none++ }
    END { printf "%s: %d of %d exactly the gold tree, %d without parse\n", run, exact, n, none }'
done
