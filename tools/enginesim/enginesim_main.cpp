// qv-enginesim: plays the search engine's side of the shared files, so that
// web scripts, tests and demos can drive qv-searchcontrol without a search
// engine. It makes a control file, puts a task's job into a slot, changes
// the job's status and progress as a running search would, keeps the task
// file up to date, and shows the requests that commands left in the slot.
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "config/qv_datfile.h"
#include "tools/common/tool_options.h"
#include "tools/enginesim/enginesim.h"

namespace {

constexpr const char* kUsage =
    "Usage: qv-enginesim [--control FILE] [--base DIR] COMMAND ARGUMENTS\n"
    "  create BLOCKS                     make a control file of BLOCKS blocks, all in use\n"
    "  put TASKID STATUS PROGRESS RESULTS JOB [USER]\n"
    "                                    give the task's job a slot (its own or the first free one)\n"
    "                                    and write its task file (RESULTS may be \"\")\n"
    "  set TASKID STATUS [PROGRESS]      change the job's status and progress and its task file\n"
    "  set-slot TASKID STATUS [PROGRESS] the same in the slot only (the task file lags behind)\n"
    "  show TASKID                       print the slot's request and priority\n"
    "  remove TASKID                     free the job's slot (the job has gone)\n"
    "FILE and DIR default to TarnelControlFile and InterFileBasePath of ../config/tarnel.dat.\n"
    "Job statuses: 0 queued, 1/10/11 running, 2-7 complete, 8 and 9 failed.\n";

int usage() {
  std::cerr << kUsage;
  return 1;
}

std::optional<int64_t> number(const std::string& text) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return v;
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = qv_tools::answerStandardOption(argc, argv, "qv-enginesim", kUsage)) return *status;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string control, base;
  while (args.size() >= 2 && (args[0] == "--control" || args[0] == "--base")) {
    (args[0] == "--control" ? control : base) = args[1];
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  if (control.empty() || base.empty()) {
    qv_datfile config;
    config.setTimeout(1);
    config.readFile();
    if (control.empty()) control = config.getOptions().getTarnelControlFile();
    if (base.empty()) base = config.getOptions().getInterFileBasePath();
  }
  qv_enginesim::Engine engine(control, base);
  const std::string& command = args[0];
  std::vector<int64_t> n;
  for (size_t i = 1; i < args.size(); ++i) {
    // RESULTS (put's fourth argument) is text; everything else is a number.
    if (command == "put" && i == 4) {
      n.push_back(0);
      continue;
    }
    const std::optional<int64_t> v = number(args[i]);
    if (!v) return usage();
    n.push_back(*v);
  }
  qv_enginesim::Outcome outcome;
  if (command == "create" && n.size() == 1) {
    outcome = engine.create(n[0]);
  } else if (command == "put" && (n.size() == 5 || n.size() == 6)) {
    outcome =
        engine.put(n[0], static_cast<int32_t>(n[1]), static_cast<int32_t>(n[2]), args[4], static_cast<int32_t>(n[4]),
                   n.size() == 6 ? std::optional<int32_t>(static_cast<int32_t>(n[5])) : std::nullopt);
  } else if ((command == "set" || command == "set-slot") && (n.size() == 2 || n.size() == 3)) {
    outcome =
        engine.set(n[0], static_cast<int32_t>(n[1]),
                   n.size() == 3 ? std::optional<int32_t>(static_cast<int32_t>(n[2])) : std::nullopt, command == "set");
  } else if (command == "show" && n.size() == 1) {
    outcome = engine.show(n[0]);
  } else if (command == "remove" && n.size() == 1) {
    outcome = engine.remove(n[0]);
  } else {
    return usage();
  }
  if (!outcome.output.empty()) std::cout << outcome.output << std::flush;
  if (!outcome.error.empty()) std::cerr << "qv-enginesim: " << outcome.error << "\n";
  return outcome.status;
}
