#include "searchcontrol/cmd_job_control.h"
#include "searchcontrol/commands.h"

namespace qv_searchcontrol {

// Asks the search engine to let a paused job run again.
int runResumeJob(const CommandLine& line) {
  return runOnRunningJob(line, [](qv_uniquetask& task) { answerRequest(task.resumeJob(), "job_resumed"); });
}

}  // namespace qv_searchcontrol
