# Helpers for demo steps: `qv ARGS...` runs qv-searchcontrol in the demo tree's
# cgi/ directory and shows the command line, its answer and its exit status.
set -uo pipefail
cd "$QV_DEMO/cgi"
qv() { show "$QV_BUILD/qv-searchcontrol" qv-searchcontrol "$@"; }
# show PROGRAM SHOWN-NAME ARGS...: run PROGRAM, print it as SHOWN-NAME.
show() {
  local prog=$1 name=$2
  shift 2
  echo "\$ $name $*"
  local status=0
  # No "|| true" here: it would replace PIPESTATUS with its own status.
  "$prog" "$@" 2>&1 | sed 's/^/  /'
  status=${PIPESTATUS[0]}
  echo "  (exit status $status)"
}
heading() { printf '\n== %s\n' "$*"; }
