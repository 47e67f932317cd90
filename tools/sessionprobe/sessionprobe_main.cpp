// qv-sessionprobe: opens a session the way the results commands do, from the
// server's cgi/ directory, and prints what it found. For administrators
// checking a server's security store, for the end-to-end tests and for the
// security benchmark.
//
// usage: qv-sessionprobe [--sessionID <id>] [--owner <user id>]
//                        [--set <name> <value>] [--quiet]
// Prints "session=", "valid=", "last_error=", "user_id=", "user_type=", one
// "message=<number>,<level>,<text>" line per message, "viewable=" for
// --owner and "set=" for --set; --quiet prints only "valid=". Exit status:
// 0 valid, 10 timed out, 11 any other refusal, 1 bad command line.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "security/qv_session.h"
#include "tools/common/tool_options.h"

namespace {

constexpr const char* kUsage =
    "usage: qv-sessionprobe [--sessionID <id>] [--owner <user id>] [--set <name> <value>] [--quiet]\n";

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
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--sessionID" && i + 1 < argc) {
      sessionID = argv[++i];
    } else if (a == "--owner" && i + 1 < argc) {
      owner = std::atoi(argv[++i]);
    } else if (a == "--set" && i + 2 < argc) {
      set.emplace(argv[i + 1], argv[i + 2]);
      i += 2;
    } else if (a == "--quiet") {
      quiet = true;
    } else {
      return usage();
    }
  }
  qv_session session(sessionID);
  std::string out;
  if (!quiet) out += "session=" + session.getSessionID() + "\n";
  out += std::string("valid=") + (session.isValid() ? "1" : "0") + "\n";
  if (!quiet) {
    out += "last_error=" + std::to_string(session.getLastError()) + "\n";
    out += "user_id=" + std::to_string(session.getUserID()) + "\n";
    out += "user_type=" + std::to_string(session.getUserType()) + "\n";
    if (owner) out += std::string("viewable=") + (session.canResultsFileBeViewed(*owner) ? "1" : "0") + "\n";
    if (set) out += std::string("set=") + (session.setParameter(set->first, set->second) ? "1" : "0") + "\n";
    const qv_errors& errors = session.getErrors();
    for (int i = 1; i <= errors.getNumberOfErrors(); ++i) {
      if (errors.getErrorLevel(i) == 6) continue;  // traces are for the log
      out += "message=" + std::to_string(errors.getErrorNumber(i)) + "," + std::to_string(errors.getErrorLevel(i)) +
             "," + errors.getErrorString(i) + "\n";
    }
  }
  std::fputs(out.c_str(), stdout);
  if (session.isValid()) return 0;
  return session.getLastError() == 4357 ? 10 : 11;
}
