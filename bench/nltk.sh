#!/usr/bin/env bash
# Velmo against NLTK's ViterbiParser on the same model and sentences: the sentences of
# test-short whose words are all in the lexicon, the probabilities that velmo estimates from
# the shared treebank model (velmo's -print-model listing, read by bench/nltk_viterbi.py).
# Prints per sentence NLTK's CPU seconds and both Viterbi log probabilities, then the ratio of
# CPU time per sentence. Velmo's time per sentence is the CPU time of 200 passes over the
# sentences, less that of a run without sentences (loading the model), over the sentence count.
# Usage: bench/nltk.sh [velmo]   (default: build-release/velmo)
set -euo pipefail
cd "$(dirname "$0")/.."
velmo=${1:-build-release/velmo}
data=../shared/data/wsj
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
/usr/bin/python3 -c 'import nltk' 2>/dev/null || { echo "bench: needs python3-nltk" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$velmo" -quiet -print-model -in "$data/wsj" /dev/null >"$scratch/listing" 2>/dev/null
bench/nltk_viterbi.py "$scratch/listing" "$data/test-short.txt" >"$scratch/nltk"
# The same sentences, one word per line.
awk -F'\t' '{ n = split($4, w, " "); for (i = 1; i <= n; i++) print w[i]; print "" }' \
  "$scratch/nltk" >"$scratch/sentences"
"$velmo" -quiet -viterbi -sent-probs -in "$data/wsj" "$scratch/sentences" 2>"$scratch/logvp" >/dev/null
paste "$scratch/nltk" <(sed 's/^logVP: //' "$scratch/logvp") |
  awk -F'\t' '{ d = $3 - $5; if (d < 0) d = -d; if (d > max) max = d
                printf "%2d words  NLTK %.4f s  log P: NLTK %s, velmo %s\n", $1, $2, $3, $5 }
              END { printf "largest difference of the log probabilities: %.2g\n", max }'
for ((i = 0; i < 200; i++)); do cat "$scratch/sentences"; done >"$scratch/repeated"
cpu() { /usr/bin/time -f "%U %S" -o "$scratch/time" "$velmo" -quiet -viterbi -in "$data/wsj" "$1" >/dev/null
        awk '{ print $1 + $2 }' "$scratch/time"; }
empty=$(cpu /dev/null)
full=$(cpu "$scratch/repeated")
awk -v n="$(wc -l <"$scratch/nltk")" -v empty="$empty" -v full="$full" -F'\t' '
  { nltk += $2 }
  END { per_velmo = (full - empty) / (200 * n); per_nltk = nltk / n
        printf "sentences: %d; CPU per sentence: NLTK %.4f s, velmo %.6f s; ratio %.0f\n",
               n, per_nltk, per_velmo, per_nltk / per_velmo }' "$scratch/nltk"
