#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// Where the task's results file is. No session check and no state test: a
// task the registry does not know, or one not yet given a results file,
// answers "filename=" alone.
int runResultFileName(const CommandLine& line) {
  const qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) {
    qv_output::line("searchcontrol-error=" + std::to_string(code));
    return code;
  }
  qv_output::line("filename=" + task.getResultsFileName());
  return 0;
}

}  // namespace qv_searchcontrol
