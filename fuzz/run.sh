#!/usr/bin/env bash
# Runs every fuzz target for a bounded time on seeds made from the project's own fixtures and
# end-to-end cases. A crash, a sanitizer report or an input slower than 10 s fails the run and
# leaves the input in the scratch folder it names (make it a regression case).
# Usage: fuzz/run.sh build-folder [seconds-per-target]   (the build made with -DVELMO_FUZZ=ON)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
seconds=${2:-5}
scratch=$(mktemp -d)
cases=$root/tests/cases
fixtures=$root/tests/fixtures

# seed TARGET FLAGS FILE...: each file becomes a seed with the flag byte in front.
seed() {
  local target=$1 flags=$2 file; shift 2
  mkdir -p "$scratch/$target"
  for file in "$@"; do
    [[ -f "$file" ]] || continue
    { printf "\\x$flags"; cat "$file"; } >"$scratch/$target/$(basename "$(dirname "$file")")_${flags}_$(basename "$file")"
  done
}
seed grammar 00 "$fixtures"/*.gram "$cases"/*/*/*.gram
seed grammar 04 "$fixtures"/*.gram
seed lexicon 00 "$fixtures"/*.lex "$cases"/*/*/*.lex
seed lexicon 01 "$root"/examples/english-stems.lex
seed open_class 00 "$fixtures"/*.oc "$fixtures"/*.OC "$root"/examples/english.oc
seed sentence 00 "$cases"/*/*/stdin "$root"/examples/sentences.txt
seed sentence 08 "$root"/examples/sentences.txt
seed sentence 01 "$cases"/loop/lattice*/stdin
seed sentence 02 "$cases"/training/sent_weight*/stdin
mkdir -p "$scratch/lexicalised" "$scratch/pooling"
printf 'X NP\nY S VP\n' >"$scratch/pooling/seed"
printf '\x01PHRASE VP S\n' >"$scratch/pooling/seed-parent"
# Trained lexicalised files of the end-to-end cases, each behind the flag that names its kind.
for f in "$cases"/*/*/files/*.lstart "$cases"/*/*/*.lstart; do [[ -f $f ]] && { printf '\x00'; cat "$f"; } >"$scratch/lexicalised/$(basename "$(dirname "$f")")_lstart"; done
for f in "$cases"/*/*/files/*.lchoice "$cases"/*/*/*.lchoice; do [[ -f $f ]] && { printf '\x01'; cat "$f"; } >"$scratch/lexicalised/$(basename "$(dirname "$f")")_lchoice"; done
for f in "$cases"/*/*/files/*.lgram "$cases"/*/*/*.lgram; do [[ -f $f ]] && { printf '\x02'; cat "$f"; } >"$scratch/lexicalised/$(basename "$(dirname "$f")")_lgram"; done
for f in "$cases"/*/*/files/*.pool "$cases"/*/*/*.pool; do [[ -f $f ]] && { printf '\x03'; cat "$f"; } >"$scratch/lexicalised/$(basename "$(dirname "$f")")_pool"; done
mkdir -p "$scratch/interactive"
for f in "$cases"/interactive/*/stdin; do grep -v '^o' "$f" >"$scratch/interactive/$(basename "$(dirname "$f")")"; done
mkdir -p "$scratch/parameter"
cp "$fixtures"/*.bin "$scratch/parameter/"
for c in "$cases"/params/*/p.bin; do cp "$c" "$scratch/parameter/$(basename "$(dirname "$c")").bin"; done

failed=0
seed merge 00 "$cases"/merge/*/b.gram "$cases"/merge/*/doubled.gram
seed merge 01 "$cases"/merge/*/b.lex "$cases"/merge/*/doubled.lex
seed merge 02 "$cases"/merge/*/b.start "$cases"/merge/*/*.start
seed merge 03 "$cases"/merge/*/*.oc
seed trees 00 "$cases"/treebank_tool/*/trees.mrg
seed trees 01 "$cases"/eval/*/gold.txt "$cases"/eval/*/test.txt "$cases"/draw/*/stdin
for target in grammar lexicon open_class sentence parameter lexicalised pooling interactive merge \
  trees; do
  mkdir -p "$scratch/$target.found"
  if (cd "$scratch/$target.found" &&
      "$build/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -seed=1 \
        -print_final_stats=0 "$scratch/$target" >"$scratch/$target.log" 2>&1); then
    echo "fuzz $target: $(grep -o 'cov: [0-9]*' "$scratch/$target.log" | tail -1), no failure in ${seconds} s"
  else
    failed=1
    echo "fuzz $target FAILED; input and log kept in $scratch:"
    tail -30 "$scratch/$target.log"
  fi
done
((failed == 0)) && rm -rf "$scratch"
exit $failed
