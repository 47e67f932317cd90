#pragma once
// Running another program and capturing what it writes.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qv_platform {

struct ProcessRequest {
  std::vector<std::string> argv;  ///< argv[0] is the program path (searched in PATH if it has no '/').
  std::string program;            ///< when set, run this file and show argv[0] only as the name
  std::string workingDirectory;   ///< empty: the caller's
  /// Variables to set (name, value) on top of the caller's environment, or in
  /// place of it when `clearEnvironment` is true.
  std::vector<std::pair<std::string, std::string>> environment;
  bool clearEnvironment = false;
  std::vector<std::string> unsetEnvironment;  ///< names removed from the inherited environment
  std::string standardInput;                  ///< written to the child's standard input, then closed
  int timeoutSeconds = 120;                   ///< the child is killed after this long
  /// When set, called on the caller's thread each time a piece of the
  /// child's standard output arrives, with all of it read so far: lets a
  /// caller see (and act on) an answer while the child still runs.
  std::function<void(const std::string& standardOutputSoFar)> onStandardOutput;
  /// Above 0: the reading end of the child's standard output is closed once
  /// this many bytes of it have arrived, as by a reader that goes away; the
  /// child's further writes there fail. Its standard error is still read.
  size_t closeStandardOutputAfter = 0;
};

struct ProcessResult {
  std::string standardOutput;
  std::string standardError;
  int exitStatus = -1;  ///< exit status, or 128 + signal number when killed by a signal
  bool timedOut = false;
};

/// Runs a program to completion and captures both output streams. Returns
/// nullopt when the program cannot be started at all.
[[nodiscard]] std::optional<ProcessResult> runProcess(const ProcessRequest& request);

/// Starts a program and does not wait for it (the child is reaped by a
/// double fork, so no zombie is left). Returns false when it cannot be started.
[[nodiscard]] bool startDetached(const std::vector<std::string>& argv);

/// Directory that holds the running executable, without a trailing slash.
std::string executableDirectory();

}  // namespace qv_platform
