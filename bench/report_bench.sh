#!/usr/bin/env bash
# The results commands on a large MS/MS search, each against a plain tool
# reading the same file, measured side by side in one run with the page
# cache warm. A ~500 MB results file is generated for each report type
# ("peptide" and "protein"), completed as a task in a scratch server tree,
# and removed before the next one is made; the scratch directory is removed
# on exit, whatever happens.
#   --results                        against wc -l (each report type)
#   --xmlresults --reporttop AUTO    against wc -l (each report type), and its
#                                    peak memory against the file size
#   --result_file_ini                against cat of the file to /dev/null
#   --result_file_mime               against the same cat
# A report's ratio line gives the worse of the two report types; the copies
# do not depend on the report type and are timed on the first file.
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
worse() { awk -v a="$1" -v n="$2" -v d="$3" 'BEGIN { x = n / d; print (x > a ? x : a) }'; }
ms() { echo $(($1 / 1000000)); }

results_ratio=0 xml_ratio=0 mem_ratio=0 ini_ratio=0 mime_ratio=0
for reptype in peptide protein; do
  file="$work/data/results_$reptype.dat"
  "$build/qv-genresults" --type msms --peaks 300 --reptype "$reptype" --size-mb "$size_mb" --output "$file" 2>/dev/null
  bytes=$(stat -c %s "$file")
  id=$("$build/qv-searchcontrol" --create_task_id | sed 's/^taskID=//')
  "$build/qv-enginesim" put "$id" 2 100 "../data/results_$reptype.dat" 1001 0 >/dev/null
  q=("$build/qv-searchcontrol" --taskID "$id")
  # The report must be a whole one, not an error line.
  "${q[@]}" --results | tail -1 | grep -q '^selectpeptides=1$' || { echo "unexpected --results answer" >&2; exit 1; }
  cat "$file" >/dev/null  # warm the page cache
  # The commands take turns, $runs times each, so that they see the machine
  # in the same state; the best time of each counts (the machine may be busy
  # now and then).
  wc_ns="" cat_ns="" results_ns="" xml_ns="" ini_ns="" mime_ns=""
  for ((i = 0; i < runs; i++)); do
    wc_ns=$(best "$wc_ns" "$(elapsed wc -l "$file")")
    results_ns=$(best "$results_ns" "$(elapsed "${q[@]}" --results)")
    xml_ns=$(best "$xml_ns" "$(elapsed "${q[@]}" --xmlresults --reporttop AUTO)")
    if [ "$reptype" = peptide ]; then
      cat_ns=$(best "$cat_ns" "$(elapsed cat "$file")")
      ini_ns=$(best "$ini_ns" "$(elapsed "${q[@]}" --result_file_ini)")
      mime_ns=$(best "$mime_ns" "$(elapsed "${q[@]}" --result_file_mime)")
    fi
  done
  xml_kb=$(peak_kb "${q[@]}" --xmlresults --reporttop AUTO)
  echo "report type $reptype: $bytes bytes; wc -l $(ms "$wc_ns") ms; --results $(ms "$results_ns") ms;" \
    "--xmlresults --reporttop AUTO $(ms "$xml_ns") ms, peak memory $((xml_kb / 1024)) MB"
  results_ratio=$(worse "$results_ratio" "$results_ns" "$wc_ns")
  xml_ratio=$(worse "$xml_ratio" "$xml_ns" "$wc_ns")
  mem_ratio=$(worse "$mem_ratio" "$((xml_kb * 1024))" "$bytes")
  if [ "$reptype" = peptide ]; then
    echo "cat $(ms "$cat_ns") ms; --result_file_ini $(ms "$ini_ns") ms; --result_file_mime $(ms "$mime_ns") ms"
    ini_ratio=$(worse 0 "$ini_ns" "$cat_ns")
    mime_ratio=$(worse 0 "$mime_ns" "$cat_ns")
  fi
  rm -f "$file"
done
printf 'results-time-vs-wc-l ratio=%.2f target=8\n' "$results_ratio"
printf 'xmlresults-auto-time-vs-wc-l ratio=%.2f target=10\n' "$xml_ratio"
printf 'result-file-ini-time-vs-cat ratio=%.2f target=3\n' "$ini_ratio"
printf 'result-file-mime-time-vs-cat ratio=%.2f target=1.5\n' "$mime_ratio"
printf 'xmlresults-peak-memory-per-file-byte ratio=%.3f target=0.6\n' "$mem_ratio"
