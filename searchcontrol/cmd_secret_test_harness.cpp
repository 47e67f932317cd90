#include <string>

#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {
namespace {

std::string identity(const qv_uniquetask& task) {
  return std::to_string(task.getTaskID()) + ". Error: " + std::to_string(task.getErrorNumber());
}

}  // namespace

// Registry self-check: creates a task, marks it running, then complete,
// refreshing after each step. It leaves a completed task behind whose
// results file name is "/This/is/not/a/real/file". A pass writes nothing.
int runSecretTestHarness(const CommandLine& line) {
  const int32_t job = line.harnessJobNumber;
  qv_uniquetask task;
  if (task.getErrorCode() != REGISTRY_OK) {
    qv_output::line("Error creating task: " + std::to_string(task.getErrorCode()));
    return 0;
  }
  if (!task.updateTask(TASK_INFO_STATE_RUNNING, 0, "", job, 0)) {
    qv_output::line("Failed call to set TASK_INFO_STATE_RUNNING: " + identity(task));
  }
  if (!task.refreshTask()) qv_output::line("Failed to refresh at line 704 for task: " + identity(task));
  if (task.getState() != TASK_INFO_STATE_RUNNING) {
    qv_output::line("Error setting state to 'running' for task: " + identity(task));
    return 0;
  }
  (void)task.updateTask(TASK_INFO_STATE_COMPLETE, 0, "/This/is/not/a/real/file", job, 0);
  if (!task.refreshTask()) qv_output::line("Failed to refresh at line 720 for task: " + identity(task));
  if (task.getState() != TASK_INFO_STATE_COMPLETE) {
    qv_output::line("Error setting state to 'complete' for task: " + identity(task));
    return task.getErrorCode();
  }
  return 0;
}

}  // namespace qv_searchcontrol
