#!/usr/bin/env bash
# Checks that scripts/check_layers.py catches an upward include and a circle,
# naming file and line, and lets the right direction and test sources pass.
set -uo pipefail
script="$(cd "$(dirname "$0")" && pwd)/check_layers.py"
tmp=$(mktemp -d /tmp/qv-layers-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
failures=0
expect() {  # expect <name> <status> <text the errors must contain or ''> <tree>
  local out status
  out=$(python3 "$script" "$4" 2>&1)
  status=$?
  if [ "$status" != "$2" ]; then
    echo "FAIL $1: exit status $status, expected $2; output:"; echo "$out"; failures=$((failures + 1))
  elif [ -n "$3" ] && [[ "$out" != *"$3"* ]]; then
    echo "FAIL $1: output lacks '$3':"; echo "$out"; failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}
tree() { mkdir -p "$tmp/$1" && cd "$tmp/$1" && mkdir -p platform errors config taskregistry results tools fuzz; }

# Downward includes, a program folder on top and a test source that reaches up pass.
tree good
printf '#pragma once\n' >platform/a.h
printf '#include "platform/a.h"\n' >errors/b.h
printf '#include <string>\n#include "errors/b.h"\n#include "platform/a.h"\n' >taskregistry/c.cpp
printf '#include "taskregistry/c.h"\n' >tools/main.cpp
printf '#include "tools/main.h"\n' >errors/b_test.cpp
expect downward-passes 0 '' "$tmp/good"

# The OS folder includes the error system: named with file and line.
tree upward
printf '#include <cstdint>\n\n#include "errors/engine_error.h"\n' >platform/file.cpp
expect upward-include 1 'platform/file.cpp:3: platform/ includes errors/, which is not below it' "$tmp/upward"

# The task registry reaches up into the results reader through a header.
tree beside
printf '#pragma once\n#include "results/qv_resultsfile.h"\n' >taskregistry/t.h
expect header-includes-upward 1 'taskregistry/t.h:2: taskregistry/ includes results/' "$tmp/beside"

# A library folder may not include a program folder.
tree program
printf '#include "tools/genresults/gen_model.h"\n' >results/q.cpp
expect library-includes-tools 1 'results/q.cpp:1: results/ includes tools/' "$tmp/program"

# Folders outside the order that include each other: a circle, with each step's file and line.
tree circle
printf '// x\n#include "fuzz/y.h"\n' >tools/x.cpp
printf '#include "tools/z.h"\n' >fuzz/y.h
expect circle 1 'folders include each other in a circle: fuzz/ -> tools/ (fuzz/y.h:1), tools/ -> fuzz/ (tools/x.cpp:2)' "$tmp/circle"

# A circle through library folders is named as a circle as well as an upward include.
tree libcircle
printf '#include "config/o.h"\n' >errors/e.cpp
printf '#include "errors/e.h"\n' >config/o.h
expect library-circle 1 'circle: config/ -> errors/ (config/o.h:1), errors/ -> config/ (errors/e.cpp:1)' "$tmp/libcircle"

# A library that links one above it.
tree link
printf '# errors\nadd_library(qv_errors STATIC e.cpp)\ntarget_link_libraries(qv_errors PUBLIC\n  qv_platform qv_config)\n' >errors/CMakeLists.txt
expect upward-link 1 'errors/CMakeLists.txt:3: qv_errors links qv_config, which is not below it' "$tmp/link"

# The repository itself holds its order.
expect repository 0 '' "$(dirname "$script")/.."
exit $((failures > 0))
