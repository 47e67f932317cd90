#pragma once
// The steps the job-control commands share: open the task, answer for a
// task that is unknown or not running, and otherwise hand the running task
// to the command's request.
#include <functional>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/command_line.h"

namespace qv_searchcontrol {

/// Opens the task of `line`. Registry error: nothing is written and the
/// code is returned. State 0: "unknown_id". A state other than running:
/// "job_not_running". Running: `request` runs and writes the answer.
/// Returns 0 after any answer.
int runOnRunningJob(const CommandLine& line, const std::function<void(qv_uniquetask&)>& request);

/// The answer to a job request: `placed` when the job's slot was found,
/// "job_not_running" otherwise.
void answerRequest(bool slotFound, const char* placed);

}  // namespace qv_searchcontrol
