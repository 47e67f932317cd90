#include "searchcontrol/cmd_job_control.h"
#include "searchcontrol/commands.h"

namespace qv_searchcontrol {

// Asks the search engine to pause the task's job.
int runPauseJob(const CommandLine& line) {
  return runOnRunningJob(line, [](qv_uniquetask& task) { answerRequest(task.pauseJob(), "job_paused"); });
}

}  // namespace qv_searchcontrol
