#include "searchcontrol/cmd_job_control.h"

#include "searchcontrol/output.h"

namespace qv_searchcontrol {

int runOnRunningJob(const CommandLine& line, const std::function<void(qv_uniquetask&)>& request) {
  qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return code;
  if (task.getState() == TASK_INFO_STATE_UNKNOWN) {
    qv_output::line("unknown_id");
  } else if (task.getState() != TASK_INFO_STATE_RUNNING) {
    qv_output::line("job_not_running");
  } else {
    request(task);
  }
  return 0;
}

void answerRequest(bool slotFound, const char* placed) { qv_output::line(slotFound ? placed : "job_not_running"); }

}  // namespace qv_searchcontrol
