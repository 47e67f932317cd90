#!/usr/bin/env bash
# Configures (once) and builds one build tree: build.sh DIR [cmake options...]
# QV_TARGET names one target to build instead of everything.
set -euo pipefail
dir=$1
shift
cd "$(dirname "$0")/.."
launcher=()
if command -v ccache >/dev/null; then
  # One compiler cache for every clone on the machine: paths below the clone
  # are hashed relative to it and the working directory is left out, so a
  # clone in another folder hits what an earlier one compiled.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
  export CCACHE_MAXSIZE=${CCACHE_MAXSIZE:-10G}
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
if [ ! -f "$dir/CMakeCache.txt" ]; then
  # Line tables are enough for sanitizer reports and debugging; full debug
  # information would double the build time of the test binaries.
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1" \
    "${launcher[@]}" "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)" ${QV_TARGET:+--target "$QV_TARGET"}
