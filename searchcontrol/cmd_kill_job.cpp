#include "searchcontrol/cmd_job_control.h"
#include "searchcontrol/commands.h"

namespace qv_searchcontrol {

// Asks the search engine to stop the task's job; the answer means that the
// request was placed, not that the job has stopped yet.
int runKillJob(const CommandLine& line) {
  return runOnRunningJob(line, [](qv_uniquetask& task) { answerRequest(task.killJob(), "job_killed"); });
}

}  // namespace qv_searchcontrol
