#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"
# What a fresh Debian machine lacks: the compiler and CMake, GoogleTest, GNU parallel and rsync
# for velmo-parallel, Graphviz to check velmo-draw's graphs, and clang with its libFuzzer runtime
# for the fuzz targets.
missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
[[ -f /usr/include/gtest/gtest.h ]] || missing+=(libgtest-dev)
command -v parallel >/dev/null || missing+=(parallel)
command -v rsync >/dev/null || missing+=(rsync)
command -v dot >/dev/null || missing+=(graphviz)
command -v clang++ >/dev/null || missing+=(clang)
compgen -G "/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a" >/dev/null ||
  missing+=(libclang-rt-dev)
if ((${#missing[@]})); then
  sudo=(); ((EUID == 0)) || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
fi
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_TESTS=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELMO_SANITIZE=ON -DVELMO_TESTS=ON >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs"
# The fuzz targets, a few seconds each, where clang and its fuzzer runtime are installed.
if command -v clang++ >/dev/null; then
  CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMO_FUZZ=ON \
    -DVELMO_TESTS=OFF >/dev/null
  cmake --build build-fuzz -j"$jobs"
  fuzz/run.sh build-fuzz 5
else
  echo "test.sh: clang++ is not installed; fuzz targets skipped (.ci/run installs it)"
fi
