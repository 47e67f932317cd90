#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// Hands out a new task identifier; no identifier is read from the line.
int runCreateTaskId(const CommandLine&) {
  qv_uniquetask task;
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return qv_output::answerError(code);
  qv_output::line("taskID=" + std::to_string(task.getTaskID()));
  return 0;
}

}  // namespace qv_searchcontrol
