#!/usr/bin/env bash
# Configures (once) and builds one build tree: build.sh DIR [cmake options...]
# QV_TARGET names one target to build instead of everything.
set -euo pipefail
dir=$1
shift
cd "$(dirname "$0")/.."
if [ ! -f "$dir/CMakeCache.txt" ]; then
  # Line tables are enough for sanitizer reports and debugging; full debug
  # information would double the build time of the test binaries.
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1" "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" ${QV_TARGET:+--target "$QV_TARGET"}
