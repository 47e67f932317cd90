#!/usr/bin/env bash
# Runs every fuzz target of a build tree for a short while: run.sh BUILD SECONDS
# Each target starts from its seed corpus in fuzz/corpus/<name>/ when present.
set -euo pipefail
build=$1
seconds=${2:-15}
cd "$(dirname "$0")/.."
status=0
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work=$(mktemp -d)
  seeds=()
  [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
  if "$target" -max_total_time="$seconds" -rss_limit_mb=4096 -artifact_prefix="$work/" "$work" "${seeds[@]}" \
      >"$work/log" 2>&1; then
    echo "$name: $(grep -Eo 'Done [0-9]+ runs' "$work/log" | tail -1) - no crash"
  else
    echo "$name: FAILED"
    tail -40 "$work/log"
    status=1
  fi
  rm -rf "$work"
done
exit $status
