#include "searchcontrol/results_preamble.h"

#include <memory>

#include "platform/file_status.h"
#include "taskregistry/qv_uniquetask.h"
#include "searchcontrol/output.h"
#include "security/qv_session.h"
#include "security/security_messages.h"

namespace qv_searchcontrol {

namespace {

ResultsPreamble refuse(int code) {
  qv_output::line("searchcontrol-error=" + std::to_string(code));
  return {std::nullopt, code};
}

}  // namespace

ResultsPreamble runResultsPreamble(const CommandLine& line) {
  // Held for the whole preamble and released on every return below.
  std::unique_ptr<qv_session> session;
  // Any directory entry of that name counts, a dangling link included, and
  // so does one whose status cannot be read: a session check too many fails
  // closed, one too few would hand out every owner's results.
  if (qv_platform::fileStatus(kLoginScriptPath, qv_platform::StatusOf::Entry).present) {
    session = std::make_unique<qv_session>(line.sessionId);
    if (!session->isValid()) {
      return refuse(session->getLastError() == ERR_SESSION_TIMED_OUT ? kSessionTimedOut : kSessionRefused);
    }
  }
  const qv_uniquetask task(line.taskId);
  if (const int code = task.getErrorCode(); code != REGISTRY_OK) return refuse(code);
  if (task.getState() == TASK_INFO_STATE_UNKNOWN) {
    qv_output::line("unknown_id");
    return {std::nullopt, 0};
  }
  if (session && !session->canResultsFileBeViewed(task.getSpare())) return refuse(kSessionRefused);
  if (task.getResultsFileName().empty()) return refuse(kNoResultsFile);
  return {task.getResultsFileName(), 0};
}

}  // namespace qv_searchcontrol
