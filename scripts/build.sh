#!/usr/bin/env bash
# Configures (once) and builds one build tree: build.sh DIR [cmake options...]
set -euo pipefail
dir=$1
shift
cd "$(dirname "$0")/.."
if [ ! -f "$dir/CMakeCache.txt" ]; then
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
