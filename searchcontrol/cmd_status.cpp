#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// One line for the task's state, brought up to date from the control file.
int runStatus(const CommandLine& line) {
  qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return qv_output::answerError(code);
  switch (task.getState()) {
    case TASK_INFO_STATE_UNKNOWN:
      qv_output::line("unknown_id");
      break;
    case TASK_INFO_STATE_ID_ASSIGNED:
      qv_output::line("id_assigned");
      break;
    case TASK_INFO_STATE_QUEUED:
      qv_output::line("queued");
      break;
    case TASK_INFO_STATE_RUNNING:
      qv_output::line("running=" + std::to_string(task.getProgress()) + "%");
      break;
    case TASK_INFO_STATE_COMPLETE:
      qv_output::line("complete");
      break;
    case TASK_INFO_STATE_ERROR:
      qv_output::line("error=" + std::to_string(task.getErrorNumber()));
      break;
    default:
      break;  // a state this program does not know: no answer
  }
  return 0;
}

}  // namespace qv_searchcontrol
