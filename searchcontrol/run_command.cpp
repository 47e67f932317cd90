// The command boundary: no allocation failure leaves a command as an
// exception (which would end the process with SIGABRT halfway through its
// answer).
#include <charconv>
#include <new>
#include <string_view>

#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

int runCommand(const CommandLine& line) {
  const CommandRow& row = kCommands[line.command];
  try {
    return row.handler(line);
  } catch (const std::bad_alloc&) {
    // Everything the command held is released by now; the line is made
    // without the heap all the same.
    char text[48] = "searchcontrol-error=";
    const std::string_view prefix = text;
    const char* end = std::to_chars(text + prefix.size(), text + sizeof text, row.outOfMemoryCode).ptr;
    qv_output::line(std::string_view(text, static_cast<size_t>(end - text)));
    return row.outOfMemoryCode;
  }
}

}  // namespace qv_searchcontrol
