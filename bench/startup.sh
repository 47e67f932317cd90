#!/usr/bin/env bash
# Start-up cost: `qv-searchcontrol --version` against a trivial dynamically
# linked C++ program, measured side by side. Usage: bench/startup.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-500}
bash scripts/build.sh build >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -O2 -o "$work/spawntime" bench/spawntime.cpp
printf '#include <iostream>\nint main(){std::cout<<"trivial - Version 2.1.0"<<std::endl;}\n' >"$work/trivial.cpp"
g++ -O2 -o "$work/trivial" "$work/trivial.cpp"
mkdir -p "$work/cgi"
times=$("$work/spawntime" "$runs" "$work/cgi" -- "$work/trivial" -- "$PWD/build/qv-searchcontrol" --version)
trivial=$(sed -n 1p <<<"$times")
version=$(sed -n 2p <<<"$times")
echo "trivial C++ program: ${trivial} us (median of $runs)"
echo "qv-searchcontrol --version: ${version} us"
awk -v a="$version" -v b="$trivial" 'BEGIN { printf "version-startup ratio=%.2f target=1.5\n", a / b }'
