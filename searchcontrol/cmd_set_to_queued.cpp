#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// Puts a task that has not started back into the queue.
int runSetToQueued(const CommandLine& line) {
  qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return code;
  switch (task.getState()) {
    case TASK_INFO_STATE_UNKNOWN:
      qv_output::line("unknown_id");
      break;
    case TASK_INFO_STATE_ID_ASSIGNED:
    case TASK_INFO_STATE_QUEUED:
      // A record that could not be written back is a failure of the
      // registry, answered as --status answers one.
      if (!task.updateTask(TASK_INFO_STATE_QUEUED, 0, "", 0, 0) && task.getErrorCode() != REGISTRY_OK) {
        return qv_output::answerError(task.getErrorCode());
      }
      qv_output::line("queued");
      break;
    case TASK_INFO_STATE_RUNNING:
      qv_output::line("already_running");
      break;
    case TASK_INFO_STATE_COMPLETE:
      qv_output::line("already_complete");
      break;
    default:
      break;  // a failed task, or a state this program does not know: no answer
  }
  return 0;
}

}  // namespace qv_searchcontrol
