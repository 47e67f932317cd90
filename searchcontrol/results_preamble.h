#pragma once
// The steps every command that hands out a finished search's results runs
// before it touches the results file: the session check when the server's
// security layer is installed ("../cgi/login.pl" exists), opening the task,
// the owner check, and the results file name. A step that refuses writes the
// answer itself, so each results command only asks whether to go on:
//
//   const ResultsPreamble pre = runResultsPreamble(line);
//   if (!pre.resultsFileName) return pre.exitStatus;
//   ... write the report of *pre.resultsFileName; return 0 ...
//
// The session, when one is made, lives only inside runResultsPreamble: it
// is released before the function returns, whichever way it returns.
#include <optional>
#include <string>

#include "searchcontrol/command_line.h"

namespace qv_searchcontrol {

/// The answer code of a session that has timed out.
inline constexpr int kSessionTimedOut = 10;
/// The answer code of a session that is not valid or may not see the task.
inline constexpr int kSessionRefused = 11;
/// The answer code of a task without a results file name (and of a results
/// file that cannot be opened).
inline constexpr int kNoResultsFile = 8;

/// The file whose existence tells that the security layer is installed,
/// relative to the working directory. Any entry of that name counts (a
/// directory, a link that leads nowhere), as does one whose status cannot
/// be read.
inline constexpr const char* kLoginScriptPath = "../cgi/login.pl";

struct ResultsPreamble {
  /// Set when the command goes on: the task's results file name (never
  /// empty). Unset when the preamble has written the whole answer.
  std::optional<std::string> resultsFileName;
  /// When resultsFileName is unset: the run's exit status (0 after
  /// "unknown_id", 10, 11, 8 or the registry's code after
  /// "searchcontrol-error=<code>"). 0 when the command goes on.
  int exitStatus = 0;
};

/// Runs the preamble for the task and session of `line`:
///  1. "../cgi/login.pl" exists (kLoginScriptPath): opens the session of
///     line.sessionId; not valid -> "searchcontrol-error=10" when its last
///     error is "Session has timed out", "searchcontrol-error=11" otherwise.
///  2. Opens the task; a registry error -> "searchcontrol-error=<code>".
///  3. Unknown task -> "unknown_id", exit status 0.
///  4. With a session: its user may not see results of the task's owner
///     (the record's spare integer) -> "searchcontrol-error=11".
///  5. No results file name -> "searchcontrol-error=8".
/// Otherwise writes nothing and hands back the results file name.
[[nodiscard]] ResultsPreamble runResultsPreamble(const CommandLine& line);

}  // namespace qv_searchcontrol
