#!/usr/bin/env bash
# Builds everything (normal, sanitizer and fuzzer builds) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
echo "== layer order of the includes"
python3 scripts/check_layers.py
bash scripts/build.sh build
bash scripts/build.sh build-san -DQV_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
QV_TARGET=fuzzers bash scripts/build.sh build-fuzz -DQV_FUZZ=ON -DQV_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== tests (normal build)"
ctest --test-dir build -j "$(nproc)" --output-on-failure
echo "== tests (address and undefined-behaviour sanitizers)"
ctest --test-dir build-san -j "$(nproc)" --output-on-failure
echo "== fuzz targets (short runs)"
bash fuzz/run.sh build-fuzz 15
