# A task's life: qv-enginesim plays the search engine, writing the control
# file's job slot and the task file, while qv-searchcontrol reports the state
# and passes requests to the job.
source "$QV_REPO/demo/lib.sh"
sim() { show "$QV_BUILD/qv-enginesim" qv-enginesim "$@"; }

heading "A new task"
id=$("$QV_BUILD/qv-searchcontrol" --create_task_id | sed -n 's/^taskID=//p')
echo "\$ qv-searchcontrol --create_task_id"
echo "  taskID=$id"
qv --status --taskID "$id"

heading "The search engine queues it, then runs it"
sim create 2
sim put "$id" 0 0 "" 1001 500
qv --status --taskID "$id"
qv --tarnel_job_number --taskID "$id"
sim set "$id" 1 35
qv --status --taskID "$id"

heading "Pause, resume and priority"
qv --pause_job --taskID "$id"
sim show "$id"
qv --resume_job --taskID "$id"
sim show "$id"
qv --nice_job --taskID "$id" --nice 5
sim show "$id"
qv --nice_job --taskID "$id"
sim set "$id" 1 80
qv --status --taskID "$id"

heading "The search completes"
sim set "$id" 2 100
qv --status --taskID "$id"
qv --kill_job --taskID "$id"
qv --set_to_queued --taskID "$id"

heading "A second search is killed"
id2=$("$QV_BUILD/qv-searchcontrol" --create_task_id | sed -n 's/^taskID=//p')
echo "  taskID=$id2"
sim put "$id2" 1 10 "" 1002 500
qv --kill_job --taskID "$id2"
sim show "$id2"
# The engine stops the job and marks it failed (status 8).
sim set "$id2" 8
qv --status --taskID "$id2"
qv --set_to_queued --taskID "$id2"

heading "An identifier that no file holds"
qv --status --taskID 12345
qv --tarnel_job_number --taskID 12345
