#!/usr/bin/env bash
# Builds everything (normal, sanitizer and fuzzer builds) and runs every test.
# QV_FUZZ_SECONDS sets how long each fuzz target runs (default 15).
# Ends with a table of the time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
fuzz_seconds=${QV_FUZZ_SECONDS:-15}
stages=()
stage() {
  local name=$1 start=$SECONDS
  shift
  "$@"
  stages+=("$(printf '%-34s %5d s' "$name" $((SECONDS - start)))")
}
report() {
  echo "== time per stage"
  local line
  for line in "${stages[@]}"; do echo "$line"; done
  printf '%-34s %5d s\n' "total" "$SECONDS"
}
trap report EXIT
stage "dependencies" bash scripts/deps.sh
echo "== layer order of the includes"
stage "layer check" python3 scripts/check_layers.py
echo "== threads and global state"
stage "code rules check" python3 scripts/check_code_rules.py
stage "build (normal)" bash scripts/build.sh build
stage "build (sanitizers)" bash scripts/build.sh build-san -DQV_SANITIZE=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g1"
stage "build (fuzzers)" env QV_TARGET=fuzzers bash scripts/build.sh build-fuzz -DQV_FUZZ=ON -DQV_TESTS=OFF \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
echo "== tests (normal build)"
stage "tests (normal build)" ctest --test-dir build -j "$(nproc)" --output-on-failure
echo "== tests (address and undefined-behaviour sanitizers)"
stage "tests (sanitizers)" ctest --test-dir build-san -j "$(nproc)" --output-on-failure
echo "== fuzz targets (${fuzz_seconds} s each)"
stage "fuzz targets" bash fuzz/run.sh build-fuzz "$fuzz_seconds"
