#!/usr/bin/env bash
# Builds build/velmo (the program only: no test framework needed) and parses the example
# sentences with the example grammar, printing the most probable parse of each. Installs cmake
# and g++ first where they are missing (Debian).
set -euo pipefail
cd "$(dirname "$0")"
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
if ((${#missing[@]})); then
  sudo=(); ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELMO_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc 2>/dev/null || echo 2)" --target velmo >/dev/null
build/velmo -quiet -viterbi -in examples/english examples/sentences.txt
