#!/usr/bin/env bash
# Sharded training against one run: one pass of -t (and of -heads -t) over train-short with the
# shared treebank model, once over the whole text and once over three shards of whole sentences
# whose files are merged with -merge. Prints the largest difference of any frequency of the two
# sets (-high-precision). The lexicalised runs keep every event (thresholds 0): with a storage
# threshold t a shard leaves out its events of t or less, which together may pass t.
# Usage: bench/shard_training.sh [velmo-binary]
set -euo pipefail
cd "$(dirname "$0")/.."
velmo=${1:-build/velmo}
data=../shared/data/wsj
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
awk -v dir="$scratch" 'BEGIN{RS=""; ORS="\n\n"} {print > (dir "/shard" (NR % 3) ".txt")}' \
  "$data/train-short.txt"
for mode in plain heads; do
  extra=(); [[ $mode == heads ]] && extra=(-heads -textpar -min-rule-freq 0 -min-choice-freq 0 -min-start-freq 0)
  "$velmo" -quiet -high-precision "${extra[@]}" -t "$scratch/$mode-all" -in "$data/wsj" \
    "$data/train-short.txt"
  for s in 0 1 2; do
    "$velmo" -quiet -high-precision "${extra[@]}" -t "$scratch/$mode-$s" -in "$data/wsj" \
      "$scratch/shard$s.txt"
  done
  merge=(); [[ $mode == heads ]] && merge=(-lexmodel)
  "$velmo" -quiet -high-precision "${extra[@]}" "${merge[@]}" -in "$scratch/$mode-0" \
    -merge "$scratch/$mode-1" -merge "$scratch/$mode-2" "$scratch/$mode-merged"
  suffixes=(.gram .lex .start .oc .OC)
  [[ $mode == heads ]] && suffixes+=(.lgram.txt .lchoice.txt .lstart.txt)
  for suffix in "${suffixes[@]}"; do
    python3 - "$scratch/$mode-merged$suffix" "$scratch/$mode-all$suffix" "$mode $suffix" <<'PY'
import sys
# Records and their frequencies: the first field of the .gram and the lexicalised text forms, the
# last of .start/.oc/.OC, every second field after the word's tab in .lex. The lexicalised files
# hold floats, so an event of one run below the float range may be missing from the merged set.
def records(name):
    table = {}
    for line in open(name):
        line = line.rstrip('\n')
        if name.endswith('.lex'):
            word, _, readings = line.partition('\t')
            fields = readings.split()
            for i in range(0, len(fields) - 1, 2):
                table[word + ' ' + fields[i]] = table.get(word + ' ' + fields[i], 0.0) + float(fields[i + 1])
        elif name.endswith(('.start', '.oc', '.OC')):
            key, value = line.rsplit(None, 1)
            table[key] = float(value)
        else:
            value, key = line.split(None, 1)
            table[key] = float(value)
    return table
merged, one = records(sys.argv[1]), records(sys.argv[2])
worst = max((abs(merged[k] - one[k]) / max(abs(one[k]), 1.0) for k in merged.keys() & one.keys()),
            default=0.0)
only = [one.get(k, merged.get(k)) for k in merged.keys() ^ one.keys()]
print(f"{sys.argv[3]}: {len(one)} records, largest relative difference {worst:.3g}; "
      f"{len(only)} records in one set only, largest {max(only, default=0.0):.3g}")
PY
  done
done
