source "$QV_REPO/demo/lib.sh"
heading "The program and its command line"
qv --version
qv --status
