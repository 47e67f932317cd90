#pragma once
// The command table: each command option, whether it needs a task identifier,
// and the function that carries it out. Each command lives in its own file.
#include <string_view>

#include "searchcontrol/command_line.h"

namespace qv_searchcontrol {

/// Runs one command; returns the run's error code, which becomes the exit status.
using CommandHandler = int (*)(const CommandLine& line);

struct CommandRow {
  std::string_view option;
  bool taskIdRequired;
  CommandHandler handler;
};

/// The fifteen commands in their fixed order.
extern const CommandRow kCommands[];
extern const int kNumberOfCommands;

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
