# A whole request cycle: a task is created, the engine stand-in runs the
# search, writes a generated results file and completes it; the results
# commands then hand the results out. Then the same with the security layer
# installed: sessions decide who sees what.
source "$QV_REPO/demo/lib.sh"
sim() { show "$QV_BUILD/qv-enginesim" qv-enginesim "$@"; }
# Runs qv-searchcontrol and shows only the first $1 lines of its answer.
qv_head() {
  local lines=$1
  shift
  echo "\$ qv-searchcontrol $* | head -$lines"
  "$QV_BUILD/qv-searchcontrol" "$@" 2>&1 | head -"$lines" | sed 's/^/  /'
}

heading "A search from its identifier to its results"
id=$("$QV_BUILD/qv-searchcontrol" --create_task_id | sed -n 's/^taskID=//p')
echo "\$ qv-searchcontrol --create_task_id"
echo "  taskID=$id"
sim put "$id" 1 10 "" 2001 42
qv --status --taskID "$id"
qv --result_file_name --taskID "$id"
# The engine writes the results file, then marks the search complete (job
# status 2) with the file's name in the task record.
show "$QV_BUILD/qv-genresults" qv-genresults --type msms --queries 12 --proteins 10 --peaks 30 --ranks 3 --hits 4 \
  --seed 11 --output ../data/F000042.dat
sim put "$id" 2 100 ../data/F000042.dat 2001 42
qv --status --taskID "$id"
qv --result_file_name --taskID "$id"
qv_head 12 --results --taskID "$id"
echo "\$ qv-searchcontrol --xmlresults --taskID $id --reporttop 5 > report.xml; xmllint --schema ..."
"$QV_BUILD/qv-searchcontrol" --xmlresults --taskID "$id" --reporttop 5 >../data/report.xml
echo "  (exit status $?)"
xmllint --noout --schema "$QV_REPO/schemas/sorvanter_tarnel_search_1.xsd" ../data/report.xml 2>&1 | sed 's/^/  /'
echo "  $(grep -c '<protein ' ../data/report.xml) protein lines, $(grep -c '<query ' ../data/report.xml) queries"
qv_head 8 --result_file_ini --taskID "$id"
qv_head 4 --result_file_mime --taskID "$id"
qv --results --taskID 12345
no_file=$("$QV_BUILD/qv-searchcontrol" --create_task_id | sed -n 's/^taskID=//p')
qv --results --taskID "$no_file"

heading "The same with the security layer installed"
# login.pl tells the program that the security layer is installed; the
# options and the session files are the login side's.
echo '#!/usr/bin/perl' >login.pl
cp "$QV_REPO/demo/security/security_options.xml" ../config/
now=$(date +%s)
session() {  # session FILE USER-ID TIMEOUT LAST-ACCESSED
  sed -e "s/@USERID@/$2/" -e "s/@TIMEOUT@/$3/" -e "s/@LAST@/$4/" \
    "$QV_REPO/demo/security/session.xml" >"../sessions/$1"
}
session demo_owner 42 3600 "$now"        # the task's owner, active now
session demo_idle 42 600 $((now - 3600))  # the owner, idle for an hour
session demo_other 77 3600 "$now"         # another user, no permitted task for others' results
echo "sessions: demo_owner (user 42), demo_idle (user 42, timed out), demo_other (user 77)"
qv_head 6 --results --taskID "$id" --sessionID demo_owner
qv --results --taskID "$id" --sessionID demo_idle
qv --results --taskID "$id" --sessionID demo_other
qv --result_file_ini --taskID "$id" --sessionID demo_other
qv --result_file_name --taskID "$id" --sessionID demo_other
rm -f login.pl
