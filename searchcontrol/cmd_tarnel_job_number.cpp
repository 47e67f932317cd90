#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// The task's search job number; the state is not looked at, so a task that
// no file holds gives the empty record's 0.
int runTarnelJobNumber(const CommandLine& line) {
  qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return qv_output::answerError(code);
  qv_output::line("tarneljobnumber=" + std::to_string(task.getJobNumber()));
  return 0;
}

}  // namespace qv_searchcontrol
