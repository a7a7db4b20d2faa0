#!/usr/bin/env bash
# Runs two builds of velmo on the same jobs over the shared data and reports, per job, whether
# standard output, standard error and every file written are byte-identical. Use it to check
# that a change to the parser's machinery leaves every output as it was.
# Usage: bench/compare_outputs.sh OLD-VELMO NEW-VELMO
# Exit status 0 when every job agrees, 1 otherwise.
set -uo pipefail
cd "$(dirname "$0")/.."
if (($# != 2)); then
  echo "usage: bench/compare_outputs.sh OLD-VELMO NEW-VELMO" >&2
  exit 2
fi
old=$(realpath "$1") new=$(realpath "$2")
data=$(realpath -m ../shared/data)
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to compare" >&2
  exit 0
fi
wsj=$data/wsj atis=$data/atis
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Word lattices from test-short: every word from i to i+1 and, as an alternative reading, each
# pair of neighbouring words as one unknown word from i to i+2. Once in position order, once
# with every sentence's lines reversed (the chart then cannot rely on the order).
awk 'NF { w[n++] = $0; next }
     { for (i = 0; i < n; i++) { print i, i + 1, w[i]; if (i + 1 < n) print i, i + 2, w[i] "_" w[i+1] }
       print ""; n = 0 }' "$wsj/test-short.txt" >"$scratch/lattice.txt"
awk 'NF { l[n++] = $0; next } { for (i = n - 1; i >= 0; i--) print l[i]; print ""; n = 0 }' \
  "$scratch/lattice.txt" >"$scratch/lattice-reversed.txt"
awk 'BEGIN { n = 0 } { print } /^$/ { if (++n == 40) exit }' "$wsj/train-short.txt" \
  >"$scratch/train-40.txt"
awk 'BEGIN { n = 0 } { print } /^$/ { if (++n == 2) exit }' "$wsj/test-25.txt" \
  >"$scratch/test-2.txt"
echo NP >"$scratch/np.txt"
# Bracketed input from gold trees: every constituent and part of speech, or the phrases only
# (unlabelled), for the matching and the chart's bracket filter.
python3 bench/gold_brackets.py <"$wsj/test-short.gold" >"$scratch/gold-bracketed.txt"
python3 bench/gold_brackets.py --no-pos --unlabelled <"$wsj/test-short.gold" \
  >"$scratch/phrase-brackets.txt"
: >"$scratch/empty.isym"

wsj_model=(-in "$wsj/wsj")
jobs=(
  "test-25 -viterbi|-viterbi ${wsj_model[*]} $wsj/test-25.txt"
  "test-25 -viterbi -viterbi-probs|-viterbi -viterbi-probs ${wsj_model[*]} $wsj/test-25.txt"
  "test-25 -tagging|-tagging ${wsj_model[*]} $wsj/test-25.txt"
  "test-25 -sent-probs|-sent-probs -viterbi ${wsj_model[*]} $wsj/test-25.txt"
  "test-25 -viterbi -tagging -sent-probs|-viterbi -tagging -sent-probs ${wsj_model[*]} $wsj/test-25.txt"
  "test-short forest|${wsj_model[*]} $wsj/test-short.txt"
  "test-short -vpf|-vpf ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -preorder|-preorder ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -inside -outside -freq|-inside -outside -freq ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -vpf -inside -viterbi-probs|-vpf -inside -viterbi-probs ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -analysis-count -fails|-viterbi -analysis-count counts -fails fails ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -print-probs|-viterbi -print-probs probs ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -chunking NP|-chunking $scratch/np.txt ${wsj_model[*]} $wsj/test-short.txt"
  "test-short -opt-chunking NP|-opt-chunking $scratch/np.txt -labelled-chunks ${wsj_model[*]} $wsj/test-short.txt"
  "test-25 first 2 -governors|-governors ${wsj_model[*]} $scratch/test-2.txt"
  "atis forests|-symbolic -l $atis/atis.lex -s $atis/atis.start $atis/atis.gram $atis/sentences.txt"
  "atis -trees|-trees -symbolic -l $atis/atis.lex -s $atis/atis.start $atis/atis.gram $atis/sentences.txt"
  "lattice forest|-lattice-input ${wsj_model[*]} $scratch/lattice.txt"
  "lattice -viterbi|-lattice-input -viterbi ${wsj_model[*]} $scratch/lattice.txt"
  "reversed lattice forest|-lattice-input ${wsj_model[*]} $scratch/lattice-reversed.txt"
  "reversed lattice -viterbi|-lattice-input -viterbi ${wsj_model[*]} $scratch/lattice-reversed.txt"
  "training pass (five files)|-t trained -iter 10 ${wsj_model[*]} $scratch/train-40.txt"
  "-heads training pass|-heads -t lexicalised ${wsj_model[*]} $scratch/train-40.txt"
  "-lexmodel -viterbi|-lexmodel -viterbi -in $scratch/old/lexicalised $wsj/test-short.txt"
  "gold brackets -isym empty -viterbi|-viterbi -isym $scratch/empty.isym ${wsj_model[*]} $scratch/gold-bracketed.txt"
  "gold brackets -isym empty -heads -t|-heads -isym $scratch/empty.isym -t gold ${wsj_model[*]} $scratch/gold-bracketed.txt"
  "phrase brackets -viterbi -analysis-count|-viterbi -analysis-count counts ${wsj_model[*]} $scratch/phrase-brackets.txt"
  "phrase brackets -viterbi -sent-probs|-viterbi -sent-probs ${wsj_model[*]} $scratch/phrase-brackets.txt"
  "phrase brackets -t|-t trained ${wsj_model[*]} $scratch/phrase-brackets.txt"
)

# run BUILD NAME: runs the job's arguments with BUILD in $scratch/BUILD/NAME.
run() {
  local velmo=$1 dir=$2 args=$3
  mkdir -p "$dir"
  (cd "$dir" && eval "\"$velmo\" $args" >stdout 2>stderr; echo $? >status)
}

failed=0
for job in "${jobs[@]}"; do
  name=${job%%|*} args=${job#*|}
  slug=$(echo "$name" | tr -c 'a-zA-Z0-9\n' '_')
  # The lexicalised model comes from the old build's -heads pass, for both builds.
  args=${args//$scratch\/old\/lexicalised/$scratch/old/_heads_training_pass/lexicalised}
  run "$old" "$scratch/old/$slug" "$args"
  run "$new" "$scratch/new/$slug" "$args"
  if diff -r "$scratch/old/$slug" "$scratch/new/$slug" >"$scratch/diff" 2>&1; then
    printf 'same       %s\n' "$name"
  else
    printf 'DIFFERENT  %s\n' "$name"
    head -20 "$scratch/diff" | sed 's/^/    /'
    failed=1
  fi
done
exit $failed
