// qv-searchcontrol: reads the command line, runs one command, exits with its code.
#include <string>
#include <vector>

#include "platform/file_io.h"
#include "searchcontrol/command_line.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

int main(int argc, char** argv) {
  using namespace qv_searchcontrol;
  // A closed standard stream would hand its number to the next file opened
  // (a registry file would receive the answer); it is held by a descriptor
  // that cannot be written instead, so the answer fails visibly.
  qv_platform::holdClosedStandardStreams();
  // A reader of the answer that goes away (a web client that disconnects)
  // ends the run with the status of a lost answer, not with SIGPIPE.
  qv_platform::treatBrokenPipesAsWriteErrors();
  std::vector<std::string> args(argv, argv + argc);
  CommandLine line;
  if (readCommandLine(args, line) == LineVerdict::Usage) return 1;
  return qv_output::exitStatus(runCommand(line));
}
