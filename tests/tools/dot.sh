#!/usr/bin/env bash
# velmo-draw --dot and --vpf against Graphviz: dot must accept every graph written for the
# example sentences, trees and packed forests alike. Exit status 77 (skipped) without Graphviz.
# Usage: dot.sh build-folder source-folder
set -uo pipefail
if ! command -v dot >/dev/null; then
  echo "Graphviz is not installed (Debian package graphviz): dot output not checked"
  exit 77
fi
build=$1
model=$2/examples/english
text=$2/examples/sentences.txt
status=0
for mode in -viterbi -vpf "-vpf -inside"; do
  draw=(--dot); [[ $mode == -vpf* ]] && draw=(--vpf)
  # shellcheck disable=SC2086
  graphs=$("$build/velmo" -quiet $mode -in "$model" "$text" | "$build/velmo-draw" "${draw[@]}")
  count=$(grep -c '^digraph' <<<"$graphs")
  if ! dot -Tsvg <<<"$graphs" >/dev/null || ((count == 0)); then
    echo "FAIL: dot refuses what velmo-draw ${draw[*]} writes for velmo $mode"
    status=1
  else
    echo "dot accepts the $count graphs of velmo $mode | velmo-draw ${draw[*]}"
  fi
done
exit "$status"
