// Commands that arrive with later work answer through this placeholder.
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

int runNotAvailable(const CommandLine&) {
  qv_output::errorLine("not available in this build");
  return 2;
}

int runStatus(const CommandLine& l) { return runNotAvailable(l); }
int runResultFileName(const CommandLine& l) { return runNotAvailable(l); }
int runResultFileMime(const CommandLine& l) { return runNotAvailable(l); }
int runResultFileIni(const CommandLine& l) { return runNotAvailable(l); }
int runResults(const CommandLine& l) { return runNotAvailable(l); }
int runXmlResults(const CommandLine& l) { return runNotAvailable(l); }
int runCreateTaskId(const CommandLine& l) { return runNotAvailable(l); }
int runTarnelJobNumber(const CommandLine& l) { return runNotAvailable(l); }
int runKillJob(const CommandLine& l) { return runNotAvailable(l); }
int runPauseJob(const CommandLine& l) { return runNotAvailable(l); }
int runResumeJob(const CommandLine& l) { return runNotAvailable(l); }
int runNiceJob(const CommandLine& l) { return runNotAvailable(l); }
int runSetToQueued(const CommandLine& l) { return runNotAvailable(l); }
int runSecretTestHarness(const CommandLine& l) { return runNotAvailable(l); }

}  // namespace qv_searchcontrol
