#include <string>

#include "searchcontrol/cmd_job_control.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

// With a valid --nice value, sets the job's priority; without one, reports
// it ("nice=0" when the job's slot is gone).
int runNiceJob(const CommandLine& line) {
  return runOnRunningJob(line, [&line](qv_uniquetask& task) {
    if (line.niceValueGiven) {
      answerRequest(task.setNice(line.niceValue), "job_niced");
    } else {
      qv_output::line("nice=" + std::to_string(task.getNice()));
    }
  });
}

}  // namespace qv_searchcontrol
