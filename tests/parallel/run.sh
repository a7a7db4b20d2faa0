#!/usr/bin/env bash
# velmo-parallel against one velmo process: for every per-sentence output mode, standard
# output, standard error and the side files must be the same bytes; sharded training must give
# the frequencies of one run (to the rounding of their last digit), with and without -heads,
# and two --iterations the files of two successive runs.
# Usage: run.sh path/to/velmo-parallel source-folder. Exit status 77 (skipped) without GNU
# parallel.
set -u
if ! command -v parallel >/dev/null; then
  echo "GNU parallel is not installed (Debian package parallel): velmo-parallel not tested"
  exit 77
fi
vp=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
velmo=$(dirname "$vp")/velmo
source_dir=$(cd "$2" && pwd)
model=$source_dir/examples/english
text=$source_dir/tests/parallel/text.txt
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"
passed=0; failed=0
fail() { failed=$((failed + 1)); echo "FAIL $1"; shift; printf '  %s\n' "$@"; }

# The text as a lattice (every word from i to i+1), and with a weight line before every
# sentence.
awk 'BEGIN { n = 0 } NF == 0 { n = 0; print; next } /^\t/ { print; next } { print n, n + 1, $0; n++ }' \
  "$text" >lattice.txt
awk 'BEGIN { w = 1 } NR == 1 || prev == "" { if ($0 != "") { print w; w = w % 3 + 0.5 } }
     { print; prev = $0 }' "$text" >weighted.txt

# same NAME SIDE-FILES -- velmo-arguments: one process, then velmo-parallel -j 3; the side
# files are named in the arguments as @NAME@ and compared too.
same() {
  local name=$1 sides=$2; shift 3
  local args=() a problems=()
  rm -rf one par; mkdir one par
  for a in "$@"; do args+=("${a//@/../one/}"); done
  (cd one && "$velmo" "${args[@]}" >../one.out 2>../one.err)
  local one_status=$?
  args=()
  for a in "$@"; do args+=("${a//@/../par/}"); done
  (cd par && "$vp" -j 3 "${args[@]}" >../par.out 2>../par.err)
  local par_status=$?
  [[ $one_status == "$par_status" ]] || problems+=("exit status $par_status, one process $one_status")
  cmp -s one.out par.out || problems+=("standard output differs: $(diff one.out par.out | head -5)")
  cmp -s one.err par.err || problems+=("standard error differs: $(diff one.err par.err | head -5)")
  for a in $sides; do
    cmp -s "one/$a" "par/$a" || problems+=("$a differs: $(diff "one/$a" "par/$a" 2>&1 | head -5)")
  done
  if ((${#problems[@]})); then fail "$name" "${problems[@]}"; else passed=$((passed + 1)); fi
}

for mode in -viterbi -viterbi1 -tagging "-viterbi -tagging" -trees -preorder -vpf \
  "-vpf -inside -outside" "-inside -outside -freq -viterbi-probs" "-sent-probs -viterbi" \
  "-governors" "-heads -viterbi" "-quiet -viterbi" "-quiet -sent-probs -viterbi" \
  "-quiet -verbose" ""; do
  # shellcheck disable=SC2086
  same "mode '$mode'" "" -- $mode -in "$model" "$text"
done
same "side files" "fails count probs" -- -viterbi -fails @fails -analysis-count @count \
  -print-probs @probs -in "$model" "$text"
same "counts and parameters on standard output" "fails" -- -viterbi -analysis-count - \
  -print-probs - -fails @fails -in "$model" "$text"
same "output file" "forest" -- -vpf -in "$model" "$text" @forest
same "lattice" "" -- -lattice-input -viterbi -in "$model" "$scratch/lattice.txt"
# Where sentences end: a form feed is a word for velmo, a line of the byte 0xA0 is no word.
printf 'she\nsaw\n\f\n\n1\nthe\ndog\nbarks\n\240\n2\nshe\nwalks\n\n0.5\nthe\nman\n\n3\nhe\nsees\nit\n\n' \
  >blanks.txt
"$velmo" -sent-weights -viterbi -in "$model" blanks.txt >one.out 2>one.err
"$vp" --blocks 6 -sent-weights -viterbi -in "$model" blanks.txt >par.out 2>par.err
cmp -s one.out par.out && cmp -s one.err par.err && passed=$((passed + 1)) ||
  fail "form feed and 0xA0 lines" "$(diff one.out par.out | head -5)" "$(diff one.err par.err | head -5)"
same "grammar file named" "" -- -viterbi -l "$model.lex" -s "$model.start" "$model.gram" "$text"

# Standard input, one job, and more blocks than sentences.
"$velmo" -viterbi -in "$model" <"$text" >one.out 2>one.err
"$vp" -j 1 -viterbi -in "$model" <"$text" >par.out 2>par.err
cmp -s one.out par.out && cmp -s one.err par.err && passed=$((passed + 1)) ||
  fail "standard input, -j 1" "$(diff one.out par.out | head -5)"
"$vp" --blocks 200 -viterbi -in "$model" "$text" >par.out 2>par.err
cmp -s one.out par.out && cmp -s one.err par.err && passed=$((passed + 1)) ||
  fail "200 blocks" "$(diff one.out par.out | head -5)"
# A machine file: ":" is this machine, through the same path as remote ones.
echo 2/: >machines
"$vp" --sshloginfile machines -viterbi -in "$model" "$text" >par.out 2>par.err
grep -v '^parallel: Warning: --transferfile ignored' par.err >par.err2
cmp -s one.out par.out && cmp -s one.err par.err2 && passed=$((passed + 1)) ||
  fail "machine file" "$(diff one.out par.out | head -5)" "$(diff one.err par.err2 | head -5)"
# Names that begin with "-", which velmo takes as they stand.
mkdir dashes && (cd dashes && "$velmo" -quiet -fails -one.txt -viterbi -in "$model" "$text" >/dev/null &&
  "$vp" -quiet -fails -par.txt -viterbi -in "$model" "$text" >/dev/null &&
  "$vp" -quiet -t -x -in "$model" "$text" && cmp -s ./-one.txt ./-par.txt && [[ -s ./-x.gram ]]) &&
  passed=$((passed + 1)) || fail "file names beginning with -" "$(ls dashes)"
# Stopped with SIGTERM, it stops its jobs too: a velmo that only sleeps stands in for a long run.
mkdir stopped && cp "$vp" stopped/velmo-parallel &&
  printf '#!/bin/sh\nexec sleep 60 # velmo-parallel-stop-test\n' >stopped/velmo && chmod +x stopped/velmo
stopped/velmo-parallel -j 2 -viterbi -in "$model" "$text" >/dev/null 2>&1 &
stopped_pid=$!
for _ in $(seq 100); do pgrep -f "sleep 60" >/dev/null && break; sleep 0.1; done
kill -TERM "$stopped_pid"
wait "$stopped_pid"
for _ in $(seq 50); do pgrep -f "sleep 60" >/dev/null || break; sleep 0.1; done
if pgrep -f "sleep 60" >/dev/null; then
  pkill -f "sleep 60"
  fail "jobs stopped with velmo-parallel" "a job ran on"
else
  passed=$((passed + 1))
fi
# Other machines need rsync: without it the run stops before any block runs.
mkdir no-rsync && for f in /usr/bin/* /bin/*; do ln -sf "$f" no-rsync/; done && rm -f no-rsync/rsync
if PATH=$scratch/no-rsync "$vp" --sshloginfile machines -viterbi -in "$model" "$text" \
  >/dev/null 2>par.err || ! grep -q "needs rsync" par.err; then
  fail "machine file without rsync" "$(cat par.err)"
else
  passed=$((passed + 1))
fi
# --help: the usage on standard output, status 0; a usage error: standard error, status 2.
if "$vp" --help >help.out 2>help.err && grep -q "^USAGE: velmo-parallel" help.out && [[ ! -s help.err ]]; then
  passed=$((passed + 1))
else
  fail "--help" "$(cat help.err)"
fi
"$vp" -j 2>/dev/null
[[ $? == 2 ]] && passed=$((passed + 1)) || fail "usage error" "status other than 2"
# Output that cannot be written is a failure.
for mode in -viterbi -vpf; do
  if "$vp" -quiet "$mode" -in "$model" "$text" >/dev/full 2>/dev/null; then
    fail "full disk, $mode" "exit status 0"
  else
    passed=$((passed + 1))
  fi
done
# A bad option stops with velmo's message; options that cannot be split are refused.
if "$vp" -viterbi -nonsense -in "$model" "$text" >/dev/null 2>par.err ||
  ! grep -q "Unrecognized option: -nonsense" par.err; then
  fail "unknown option" "$(cat par.err)"
else
  passed=$((passed + 1))
fi
for refused in "-iter 3 -t x" "-merge x y" "-store-params"; do
  # shellcheck disable=SC2086
  if "$vp" $refused -in "$model" "$text" >/dev/null 2>par.err; then
    fail "refuses $refused" "accepted"
  else
    passed=$((passed + 1))
  fi
done

# close FILE-A FILE-B: the same words, and numbers equal to within `tolerance` relatively
# (or absolutely below 1).
close() {
  paste -d '\n' <(tr -s ' \t' '\n\n' <"$1") <(tr -s ' \t' '\n\n' <"$2") | awk -v tol="$3" '
    NR % 2 { a = $0; next }
    a != $0 {
      if (a !~ /^-?[0-9.e+-]+$/ || $0 !~ /^-?[0-9.e+-]+$/) { bad = 1; exit }
      d = a - $0; if (d < 0) d = -d
      m = a < 0 ? -a : a; if (m < 1) m = 1
      if (d / m > tol) { bad = 1; exit }
    }
    END { if (NR % 2) bad = 1; exit bad }'
}
# trained NAME TOLERANCE SUFFIXES TEXT -- velmo-arguments (with -t one / -t par): sharded
# training against one run.
trained() {
  local name=$1 tol=$2 suffixes=$3 input=$4 problems=() e; shift 5
  "$velmo" "$@" -t one "$input" >/dev/null 2>one.err
  "$vp" -j 3 "$@" -t par "$input" >/dev/null 2>par.err
  cmp -s one.err par.err || problems+=("standard error differs: $(diff one.err par.err | head -5)")
  for e in $suffixes; do
    close "one.$e" "par.$e" "$tol" || problems+=("$e differs: $(diff "one.$e" "par.$e" 2>&1 | head -5)")
  done
  if ((${#problems[@]})); then fail "$name" "${problems[@]}"; else passed=$((passed + 1)); fi
}
unlexicalised="gram lex start oc OC"
# As printed, two decimals: the blocks must not round before they are added up.
trained "training, two decimals" 0 "$unlexicalised" "$text" -- -in "$model"
trained "training" 1e-10 "$unlexicalised" "$text" -- -high-precision -in "$model"
trained "training, quiet" 1e-10 "$unlexicalised" "$text" -- -quiet -high-precision -in "$model"
trained "training with sentence weights" 1e-10 "$unlexicalised" weighted.txt -- -sent-weights \
  -high-precision -in "$model"
# The lexicalised text files carry two decimals.
trained "training -heads" 0.006 "$unlexicalised lgram.txt lchoice.txt lstart.txt" "$text" \
  -- -heads -textpar -high-precision -in "$model"
# Two rounds against two runs, the second from the files of the first.
"$velmo" -high-precision -in "$model" -t one1 "$text" 2>one.err >/dev/null
"$velmo" -high-precision -in one1 -t one "$text" 2>>one.err >/dev/null
"$vp" --iterations 2 -high-precision -in "$model" -t par "$text" 2>par.err >/dev/null
problems=()
cmp -s one.err par.err || problems+=("standard error differs: $(diff one.err par.err | head -5)")
for e in $unlexicalised; do
  close "one.$e" "par.$e" 1e-10 || problems+=("$e differs: $(diff "one.$e" "par.$e" | head -5)")
done
if ((${#problems[@]})); then fail "two iterations" "${problems[@]}"; else passed=$((passed + 1)); fi

# One block trains straight into the base, exactly as one process.
"$velmo" -quiet -in "$model" -t one "$text"
"$vp" --blocks 1 -quiet -in "$model" -t par "$text"
problems=()
for e in $unlexicalised; do
  cmp -s "one.$e" "par.$e" || problems+=("$e differs: $(diff "one.$e" "par.$e" | head -5)")
done
if ((${#problems[@]})); then fail "one block" "${problems[@]}"; else passed=$((passed + 1)); fi

echo "$passed passed, $failed failed"
((failed == 0))
