// qv-sessionprobe: opens a session the way the results commands do, from the
// server's cgi/ directory, and prints what it found. For administrators
// checking a server's security store, for the end-to-end tests and for the
// security benchmark.
//
// usage: qv-sessionprobe [--sessionID <id>] [--owner <user id>]
//                        [--set <name> <value>] [--timeout <seconds>] [--quiet]
// Opens the session, then asks --owner and runs --set, then prints what the
// session is after all of them: "session=", "valid=", "last_error=",
// "user_id=", "user_type=", "viewable=" for --owner, "set=" for --set and one
// "message=<number>,<level>,<text>" line per message; --quiet prints only
// "valid=". --timeout bounds the Corvana login check (default: that of the
// connection settings, 60 seconds). Exit status: 0 valid, 10 timed out, 11
// any other refusal, 1 bad command line; it always agrees with "valid=".
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "security/qv_session.h"
#include "security/security_messages.h"
#include "tools/common/tool_options.h"

namespace {

constexpr const char* kUsage =
    "usage: qv-sessionprobe [--sessionID <id>] [--owner <user id>] [--set <name> <value>] [--timeout <seconds>] "
    "[--quiet]\n";

int usage() {
  std::fputs(kUsage, stderr);
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = qv_tools::answerStandardOption(argc, argv, "qv-sessionprobe", kUsage)) return *status;
  std::string sessionID;
  std::optional<int> owner;
  std::optional<std::pair<std::string, std::string>> set;
  bool quiet = false;
  qv_session_context context;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--sessionID" && i + 1 < argc) {
      sessionID = argv[++i];
    } else if (a == "--owner" && i + 1 < argc) {
      owner = std::atoi(argv[++i]);
    } else if (a == "--set" && i + 2 < argc) {
      set.emplace(argv[i + 1], argv[i + 2]);
      i += 2;
    } else if (a == "--timeout" && i + 1 < argc) {
      context.corvanaTimeoutSeconds = std::atoi(argv[++i]);
    } else if (a == "--quiet") {
      quiet = true;
    } else {
      return usage();
    }
  }
  qv_session session(sessionID, context);
  // What the probe asks may refuse (a parameter that cannot be saved makes
  // the session invalid), so it runs before anything about the session is
  // printed: the lines and the exit status tell the same state.
  std::optional<bool> viewable;
  std::optional<bool> stored;
  if (owner) viewable = session.canResultsFileBeViewed(*owner);
  if (set) stored = session.setParameter(set->first, set->second);
  std::string out;
  if (!quiet) out += "session=" + session.getSessionID() + "\n";
  out += std::string("valid=") + (session.isValid() ? "1" : "0") + "\n";
  if (!quiet) {
    out += "last_error=" + std::to_string(session.getLastError()) + "\n";
    out += "user_id=" + std::to_string(session.getUserID()) + "\n";
    out += "user_type=" + std::to_string(session.getUserType()) + "\n";
    if (viewable) out += std::string("viewable=") + (*viewable ? "1" : "0") + "\n";
    if (stored) out += std::string("set=") + (*stored ? "1" : "0") + "\n";
    const qv_errors& errors = session.getErrors();
    for (int i = 1; i <= errors.getNumberOfErrors(); ++i) {
      if (errors.getErrorLevel(i) == 6) continue;  // traces are for the log
      out += "message=" + std::to_string(errors.getErrorNumber(i)) + "," + std::to_string(errors.getErrorLevel(i)) +
             "," + errors.getErrorString(i) + "\n";
    }
  }
  std::fputs(out.c_str(), stdout);
  if (session.isValid()) return 0;
  return session.getLastError() == ERR_SESSION_TIMED_OUT ? 10 : 11;
}
