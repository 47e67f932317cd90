#!/bin/sh
# Stand-in for the mail command in tests. The first argument is the folder
# to record into (tests put it into the configured command); the remaining
# arguments go to <folder>/args one per line, standard input to
# <folder>/stdin, and a copy of the first remaining argument, when it names
# a file, to <folder>/file.
out=$1
shift
printf '%s\n' "$@" > "$out/args"
cat > "$out/stdin"
if [ -f "$1" ]; then cp "$1" "$out/file"; fi
exit 3
