#include "searchcontrol/command_line.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"

namespace qv_searchcontrol {

namespace {

const char* const kUsageLines[] = {
    "Version 2.1.0",
    "",
    "Usage: qv-searchcontrol.exe --status            --taskID <uniqueID>",
    "       qv-searchcontrol.exe --result_file_name  --taskID <uniqueID>",
    "       qv-searchcontrol.exe --result_file_mime  --taskID <uniqueID>",
    "       qv-searchcontrol.exe --result_file_ini   --taskID <uniqueID>",
    "       qv-searchcontrol.exe --results           --taskID <uniqueID>",
    "       qv-searchcontrol.exe --xmlresults        --taskID <uniqueID> --reporttop [FILE|AUTO|num_hits]",
    "       qv-searchcontrol.exe --create_task_id",
    "       qv-searchcontrol.exe --tarnel_job_number --taskID <uniqueID>",
    "       qv-searchcontrol.exe --kill_job          --taskID <uniqueID>",
    "       qv-searchcontrol.exe --pause_job         --taskID <uniqueID>",
    "       qv-searchcontrol.exe --resume_job        --taskID <uniqueID>",
    "       qv-searchcontrol.exe --nice_job          --taskID <uniqueID> --nice <value in range -20 to +20>",
    "       qv-searchcontrol.exe --set_to_queued     --taskID <uniqueID>",
    "       qv-searchcontrol.exe --version",
    "",
    "       each command also takes optional --sessionID <session number>",
    "",
};

int findCommand(const std::string& arg) {
  for (int i = 0; i < kNumberOfCommands; ++i) {
    if (kCommands[i].option == arg) return i;
  }
  return -1;
}

}  // namespace

void writeUsage() {
  for (const char* text : kUsageLines) qv_output::errorLine(text);
}

int64_t parseTaskId(const std::string& text) {
  const double value = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) return 0;
  const double shifted = value + 0.1;
  // 2^63 is exactly representable; anything at or beyond it cannot be a task.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(shifted > -kLimit && shifted < kLimit)) return 0;
  return static_cast<int64_t>(shifted);
}

int32_t parseInteger(const std::string& text) {
  errno = 0;
  long long v = std::strtoll(text.c_str(), nullptr, 10);
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

LineVerdict readCommandLine(const std::vector<std::string>& args, CommandLine& line) {
  if (!args.empty()) line.invocationName = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (int cmd = findCommand(arg); cmd >= 0) {
      line.command = cmd;
      line.taskIdRequired = kCommands[cmd].taskIdRequired;
      if (arg == "--xmlresults") line.xmlReportRequested = true;
      if (arg == "--secret_test_harness" && hasValue) line.harnessJobNumber = parseInteger(args[++i]);
      continue;
    }
    const bool valueOption = arg == "--taskID" || arg == "--nice" || arg == "--sessionID" || arg == "--reporttop";
    if (!valueOption || !hasValue) {
      writeUsage();
      return LineVerdict::Usage;
    }
    const std::string& value = args[++i];
    if (arg == "--taskID") {
      line.taskId = parseTaskId(value);
    } else if (arg == "--sessionID") {
      line.sessionId = value;
    } else if (arg == "--reporttop") {
      line.reportTop = value;
    } else {  // --nice: an out-of-range value is reported and otherwise ignored
      const int32_t nice = parseInteger(value);
      if (nice >= -20 && nice <= 20) {
        line.niceValue = nice;
        line.niceValueGiven = true;
      } else {
        writeUsage();
      }
    }
  }
  const bool refused = line.command < 0 || (line.taskId == 0 && line.taskIdRequired) ||
                       (line.xmlReportRequested && line.reportTop.empty());
  if (refused) {
    writeUsage();
    return LineVerdict::Usage;
  }
  return LineVerdict::Run;
}

}  // namespace qv_searchcontrol
