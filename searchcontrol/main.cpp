// qv-searchcontrol: reads the command line, runs one command, exits with its code.
#include <string>
#include <vector>

#include "searchcontrol/command_line.h"
#include "searchcontrol/commands.h"

int main(int argc, char** argv) {
  using namespace qv_searchcontrol;
  std::vector<std::string> args(argv, argv + argc);
  CommandLine line;
  if (readCommandLine(args, line) == LineVerdict::Usage) return 1;
  return kCommands[line.command].handler(line);
}
