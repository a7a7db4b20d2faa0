#!/usr/bin/env bash
# Builds bench/chart_cost.cc against the Release library and prints the cost per link of
# building the chart and of the Viterbi pass over test-25 on the shared treebank model.
# Usage: bench/chart_cost.sh
set -euo pipefail
cd "$(dirname "$0")/.."
data=../shared/data/wsj
if [[ ! -d "$data" ]]; then
  echo "bench: $data is absent; nothing to measure" >&2
  exit 0
fi
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DVELMO_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)" >/dev/null
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
g++ -O2 -std=c++20 -Isrc -Ibuild-release/generated bench/chart_cost.cc build-release/libvelmo_core.a \
  -o "$scratch/chart_cost"
"$scratch/chart_cost" "$data/wsj" "$data/test-25.txt"
