#pragma once
// The command table: each command option, whether it needs a task identifier,
// and the function that carries it out. Each command lives in its own file.
#include <string_view>

#include "searchcontrol/command_line.h"

namespace qv_searchcontrol {

/// Runs one command; returns the run's error code, which becomes the exit status.
using CommandHandler = int (*)(const CommandLine& line);

/// The answer code of a command that runs out of memory, unless its row
/// names another: the registry's code for a record that cannot be read.
inline constexpr int kOutOfMemory = 3;
/// The answer code of a results command that runs out of memory: the code
/// of a results file that cannot be handed out whole (as a copy that a read
/// error cuts short).
inline constexpr int kResultsOutOfMemory = 8;

struct CommandRow {
  std::string_view option;
  bool taskIdRequired;
  CommandHandler handler;
  /// The code runCommand answers with when memory runs out in the command.
  int outOfMemoryCode = kOutOfMemory;
};

/// The fifteen commands in their fixed order.
extern const CommandRow kCommands[];
extern const int kNumberOfCommands;

/// Runs the command of `line` and returns its code. A command in which an
/// allocation fails (std::bad_alloc, wherever it is thrown: a summary that
/// does not fit under an address-space limit, say) is ended there: what it
/// wrote stays written (it cannot be taken back) and the answer ends with
/// the line "searchcontrol-error=<code>", the row's outOfMemoryCode, which
/// is returned, so the exit status tells that the answer is not whole.
int runCommand(const CommandLine& line);

// Handlers (one file each).
int runStatus(const CommandLine& line);
int runResultFileName(const CommandLine& line);
int runResultFileMime(const CommandLine& line);
int runResultFileIni(const CommandLine& line);
int runResults(const CommandLine& line);
int runXmlResults(const CommandLine& line);
int runCreateTaskId(const CommandLine& line);
int runTarnelJobNumber(const CommandLine& line);
int runKillJob(const CommandLine& line);
int runPauseJob(const CommandLine& line);
int runResumeJob(const CommandLine& line);
int runNiceJob(const CommandLine& line);
int runSetToQueued(const CommandLine& line);
int runVersion(const CommandLine& line);
int runSecretTestHarness(const CommandLine& line);

}  // namespace qv_searchcontrol
