#!/usr/bin/env bash
# Opening a large MS/MS results file and describing every query, against
# `wc -l` on the same file, measured side by side in one run with the page
# cache warm. Usage: bench/results_bench.sh [--size-mb N] [--runs N]
# The generated file lives in a scratch directory that is removed on exit,
# whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=500
runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --size-mb) size_mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: bench/results_bench.sh [--size-mb N] [--runs N]" >&2; exit 2 ;;
  esac
done
build=${QV_BENCH_BUILD:-build}  # the build tree to use (built here first)
bash scripts/build.sh "$build" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
file="$work/results.dat"
"$build/qv-genresults" --type msms --peaks 300 --size-mb "$size_mb" --output "$file" >/dev/null
bytes=$(stat -c %s "$file")
queries=$(grep -m1 '^queries=' "$file" | cut -d= -f2)
echo "file: $bytes bytes, $queries queries"
cat "$file" >/dev/null  # warm the page cache

# Wall-clock seconds of a command, best of $runs (the machine may be busy).
best() {
  local best_ns="" start end
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; return 1; }
    end=$(date +%s%N)
    if [ -z "$best_ns" ] || [ $((end - start)) -lt "$best_ns" ]; then best_ns=$((end - start)); fi
  done
  echo "$best_ns"
}

wc_ns=$(best wc -l "$file")
reader_ns=$(best "$build/qv-results-bench" "$file")
details=$(cat "$work/out")
rss_kb=$(sed -n 's/.*peak_rss_kb=\([0-9]*\).*/\1/p' <<<"$details")
echo "wc -l: $((wc_ns / 1000000)) ms"
echo "open + getQueryDescription for every query: $((reader_ns / 1000000)) ms ($details)"
awk -v r="$reader_ns" -v w="$wc_ns" 'BEGIN { printf "open-and-describe-time ratio=%.2f target=4\n", r / w }'
awk -v k="$rss_kb" -v b="$bytes" 'BEGIN { printf "peak-memory-per-file-byte ratio=%.3f target=0.4\n", k * 1024 / b }'
