#pragma once
// Reading and checking the program's command line.
#include <cstdint>
#include <string>
#include <vector>

namespace qv_searchcontrol {

inline constexpr const char* kVersionText = "2.1.0";

/// What the arguments asked for. Filled by readCommandLine.
struct CommandLine {
  int command = -1;             ///< index into the command table, -1 when none was given
  int64_t taskId = 0;           ///< 0: not given
  bool taskIdRequired = true;   ///< from the last command option given
  bool xmlReportRequested = false;  ///< set by --xmlresults, never cleared
  int32_t niceValue = 0;
  bool niceValueGiven = false;  ///< --nice with a value from -20 to 20
  std::string sessionId;
  std::string reportTop;
  int32_t harnessJobNumber = 1234;  ///< the argument after --secret_test_harness
  std::string invocationName;       ///< argv[0] as given
};

enum class LineVerdict {
  Run,    ///< the line is acceptable; run the command
  Usage,  ///< the usage text was written; exit with status 1
};

/// Reads and checks the arguments. Writes the usage text to standard error
/// when the line is unacceptable (and also, without refusing the line, for a
/// --nice value outside -20 to 20).
LineVerdict readCommandLine(const std::vector<std::string>& args, CommandLine& line);

/// Writes the usage text to standard error, line by line.
void writeUsage();

/// Converts a --taskID text: the leading decimal floating-point number plus
/// 0.1, truncated toward zero. Text that does not convert, a number that is
/// not finite, or one outside the signed 64-bit range gives 0.
int64_t parseTaskId(const std::string& text);

/// Standard decimal integer conversion of the leading part of `text`
/// (0 when nothing converts); values beyond 32 bits saturate.
int32_t parseInteger(const std::string& text);

}  // namespace qv_searchcontrol
