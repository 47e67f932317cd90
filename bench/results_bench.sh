#!/usr/bin/env bash
# Opening a large MS/MS results file and describing every query, against
# `wc -l` on the same file, measured side by side in one run with the page
# cache warm. Usage: bench/results_bench.sh [--size-mb N] [--runs N]
# The generated file lives in a scratch directory that is removed on exit,
# whatever happens.
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=500
runs=5
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

# Wall-clock nanoseconds of one run of a command; its output goes to $2.
elapsed() {
  local out=$1 start end
  shift
  start=$(date +%s%N)
  "$@" >"$out" 2>&1 || { cat "$out" >&2; return 1; }
  end=$(date +%s%N)
  echo $((end - start))
}

# The two commands take turns, $runs times each, so that both see the
# machine in the same state; the best time of each counts (the machine may
# be busy now and then), and the reader's details are those of its best run.
wc_ns="" reader_ns="" details=""
for ((i = 0; i < runs; i++)); do
  t=$(elapsed "$work/wc.out" wc -l "$file")
  if [ -z "$wc_ns" ] || [ "$t" -lt "$wc_ns" ]; then wc_ns=$t; fi
  t=$(elapsed "$work/reader.out" "$build/qv-results-bench" "$file")
  if [ -z "$reader_ns" ] || [ "$t" -lt "$reader_ns" ]; then
    reader_ns=$t
    details=$(cat "$work/reader.out")
  fi
done
rss_kb=$(sed -n 's/.*peak_rss_kb=\([0-9]*\).*/\1/p' <<<"$details")
echo "wc -l: $((wc_ns / 1000000)) ms"
echo "open + getQueryDescription for every query: $((reader_ns / 1000000)) ms ($details)"
awk -v r="$reader_ns" -v w="$wc_ns" 'BEGIN { printf "open-and-describe-time ratio=%.2f target=4\n", r / w }'
awk -v k="$rss_kb" -v b="$bytes" 'BEGIN { printf "peak-memory-per-file-byte ratio=%.3f target=0.4\n", k * 1024 / b }'
