#!/usr/bin/env bash
# velmo-parallel against one velmo process on the shared treebank model: -viterbi over
# test-25 and one -t pass over train-short, with 1 and 2 jobs. Prints the wall seconds of each
# run, the speed-up over the one process measured in the same run, the peak resident memory of
# the largest job, and whether the outputs (the parses; the frequency files to 1e-9) agree.
# Usage: bench/parallel.sh [build-folder holding velmo and velmo-parallel]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
data=../shared/data/wsj
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
command -v parallel >/dev/null || { echo "bench: GNU parallel is not installed" >&2; exit 1; }
build=$(cd "$build" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Every velmo process, alone or as a job, runs through this wrapper, which logs its peak memory.
cat >"$scratch/velmo" <<EOF
#!/usr/bin/env bash
exec /usr/bin/time -a -o "$scratch/memory" -f %M "$build/velmo" "\$@"
EOF
chmod +x "$scratch/velmo"

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", b - a }'; }
run() {  # label, then the command; sets $wall and $peak (MiB of the largest process)
  local label=$1 start end
  shift
  : >"$scratch/memory"
  start=$(date +%s.%N)
  "$@"
  end=$(date +%s.%N)
  wall=$(seconds "$start" "$end")
  peak=$(sort -n "$scratch/memory" | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
  printf '%-40s %8s s %8s MiB' "$label" "$wall" "$peak" >&2
}

echo "== -viterbi, test-25"
model=(-quiet -viterbi -in "$data/wsj")
run "one process" "$scratch/velmo" "${model[@]}" "$data/test-25.txt" >"$scratch/one.out"
one=$wall; echo >&2
for j in 1 2; do
  run "velmo-parallel -j $j" "$build/velmo-parallel" --velmo "$scratch/velmo" -j "$j" \
    "${model[@]}" "$data/test-25.txt" >"$scratch/par.out"
  same=differ; cmp -s "$scratch/one.out" "$scratch/par.out" && same=identical
  awk -v a="$one" -v b="$wall" -v s="$same" 'BEGIN { printf "  speed-up %.2f, output %s\n", a / b, s }' >&2
done

echo "== -t, one pass over train-short"
model=(-quiet -high-precision -in "$data/wsj")
run "one process" "$scratch/velmo" "${model[@]}" -t "$scratch/one" "$data/train-short.txt"
one=$wall; echo >&2
for j in 1 2; do
  run "velmo-parallel -j $j" "$build/velmo-parallel" --velmo "$scratch/velmo" -j "$j" \
    "${model[@]}" -t "$scratch/par$j" "$data/train-short.txt"
  worst=$(for e in gram lex start oc OC; do
    paste -d '\n' <(tr -s ' \t' '\n\n' <"$scratch/one.$e") <(tr -s ' \t' '\n\n' <"$scratch/par$j.$e")
  done | awk 'NR % 2 { a = $0; next } a != $0 { d = a - $0; d = d < 0 ? -d : d
                m = a < 0 ? -a : a; m = m < 1 ? 1 : m; if (d / m > w) w = d / m }
              END { printf "%.1e", w }')
  awk -v a="$one" -v b="$wall" -v w="$worst" \
    'BEGIN { printf "  speed-up %.2f, largest relative difference of a frequency %s\n", a / b, w }' >&2
done
