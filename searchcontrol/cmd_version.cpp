#include <string>

#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

int runVersion(const CommandLine& line) {
  qv_output::line(line.invocationName + " - Version " + kVersionText);
  return 0;
}

}  // namespace qv_searchcontrol
