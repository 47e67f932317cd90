// Commands that arrive with later work answer through this placeholder.
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

int runNotAvailable(const CommandLine&) {
  qv_output::errorLine("not available in this build");
  return 2;
}

int runResultFileIni(const CommandLine& l) { return runNotAvailable(l); }
int runResults(const CommandLine& l) { return runNotAvailable(l); }

}  // namespace qv_searchcontrol
