#!/usr/bin/env bash
# The results reports of a large MS/MS search, each against a plain tool
# reading the same file, measured side by side in one run with the page
# cache warm. A ~500 MB results file is generated for each report type
# ("peptide" and "protein"), completed as a task in a scratch server tree,
# and removed before the next one is made; the scratch directory is removed
# on exit, whatever happens. Each ratio line gives the worse of the two
# report types.
# Usage: bench/report_bench.sh [--size-mb N] [--runs N]
set -euo pipefail
cd "$(dirname "$0")/.."
size_mb=500
runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --size-mb) size_mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: bench/report_bench.sh [--size-mb N] [--runs N]" >&2; exit 2 ;;
  esac
done
build=$(realpath "${QV_BENCH_BUILD:-build}")  # the build tree to use (built here first)
bash scripts/build.sh "$build" >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM
mkdir -p "$work/cgi" "$work/config" "$work/data"
printf 'Options\nInterFileBasePath ../data\nTarnelControlFile ../data/tarnel.control\nend\n' >"$work/config/tarnel.dat"
cd "$work/cgi"
"$build/qv-enginesim" create 1 >/dev/null

# Wall-clock nanoseconds of one run of a command; its output goes to /dev/null.
elapsed() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
  end=$(date +%s%N)
  echo $((end - start))
}
# Peak resident memory in kilobytes of one run of a command.
peak_kb() {
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>"$work/err" || { cat "$work/err" >&2; return 1; }
  cat "$work/rss"
}
best() { if [ -z "$1" ] || [ "$2" -lt "$1" ]; then echo "$2"; else echo "$1"; fi; }

xml_ratio=0 mem_ratio=0
for reptype in peptide protein; do
  file="$work/data/results_$reptype.dat"
  "$build/qv-genresults" --type msms --peaks 300 --reptype "$reptype" --size-mb "$size_mb" --output "$file" 2>/dev/null
  bytes=$(stat -c %s "$file")
  id=$("$build/qv-searchcontrol" --create_task_id | sed 's/^taskID=//')
  "$build/qv-enginesim" put "$id" 2 100 "../data/results_$reptype.dat" 1001 0 >/dev/null
  xml=("$build/qv-searchcontrol" --xmlresults --taskID "$id" --reporttop AUTO)
  cat "$file" >/dev/null  # warm the page cache
  # The commands take turns, $runs times each, so that they see the machine
  # in the same state; the best time of each counts (the machine may be busy
  # now and then).
  wc_ns="" xml_ns="" xml_kb=""
  for ((i = 0; i < runs; i++)); do
    wc_ns=$(best "$wc_ns" "$(elapsed wc -l "$file")")
    xml_ns=$(best "$xml_ns" "$(elapsed "${xml[@]}")")
  done
  xml_kb=$(peak_kb "${xml[@]}")
  echo "report type $reptype: $bytes bytes; wc -l $((wc_ns / 1000000)) ms;" \
    "--xmlresults --reporttop AUTO $((xml_ns / 1000000)) ms, peak memory $((xml_kb / 1024)) MB"
  xml_ratio=$(awk -v a="$xml_ratio" -v r="$xml_ns" -v w="$wc_ns" 'BEGIN { x = r / w; print (x > a ? x : a) }')
  mem_ratio=$(awk -v a="$mem_ratio" -v k="$xml_kb" -v b="$bytes" 'BEGIN { x = k * 1024 / b; print (x > a ? x : a) }')
  rm -f "$file"
done
printf 'xmlresults-auto-time-vs-wc-l ratio=%.2f target=10\n' "$xml_ratio"
printf 'xmlresults-peak-memory-per-file-byte ratio=%.3f target=0.6\n' "$mem_ratio"
