// Test program: makes engine reports from its command line, so that tests
// can watch what the reporter does to a real process (exit status, standard
// output, the logs).
//
//   engine_report_probe [settings...] NUMBER JOB LINE SOURCE [ARG...]
//
// Settings: --errorlog PATH, --monitorlog PATH, --ipclog PATH,
// --mail TRANSPORT ADDRESS SENDMAIL TEMPLATE, --repeat N (the report is
// made N times, with "#<i>" appended to a text argument "%i"),
// --retained (print the retained messages at the end, one per line, after
// "retained=<count>"), --map PATH FLAGS (instead of a report: open PATH
// read-write as a mapped file with FLAGS, reporting on, and print
// "code=<errorCode> state=<lock state>"). An ARG written "i:<n>" is an integer, "f:<x>" a
// double, anything else a text.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "errors/engine_error.h"
#include "errors/engine_settings.h"
#include "taskregistry/mmapfile.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  qv_engine_settings settings = getEngineSettings();
  int repeat = 1;
  bool printRetained = false;
  std::string mapPath;
  uint32_t mapFlags = 0;
  size_t i = 0;
  for (; i < args.size() && args[i].rfind("--", 0) == 0; ++i) {
    const std::string& opt = args[i];
    if (opt == "--errorlog" && i + 1 < args.size()) {
      settings.errorLogFile = args[++i];
    } else if (opt == "--monitorlog" && i + 1 < args.size()) {
      settings.monitorLogFile = args[++i];
    } else if (opt == "--ipclog" && i + 1 < args.size()) {
      settings.ipcLogFile = args[++i];
    } else if (opt == "--mail" && i + 4 < args.size()) {
      settings.mail.emailErrorsEnabled = true;
      settings.mail.mailTransport = std::atoi(args[++i].c_str());
      settings.mail.errMessageEmailTo = args[++i];
      settings.mail.sendmailPath = args[++i];
      settings.mail.mailTempFile = args[++i];
    } else if (opt == "--repeat" && i + 1 < args.size()) {
      repeat = std::atoi(args[++i].c_str());
    } else if (opt == "--map" && i + 2 < args.size()) {
      mapPath = args[++i];
      mapFlags = static_cast<uint32_t>(std::strtoul(args[++i].c_str(), nullptr, 0));
    } else if (opt == "--retained") {
      printRetained = true;
    } else {
      std::fprintf(stderr, "unknown option %s\n", opt.c_str());
      return 100;
    }
  }
  if (!mapPath.empty()) {
    setEngineSettings(settings);
    qv_memmapfile m;
    int code = -1;
    (void)m.open(mapPath, false, code, mapFlags);  // the code is printed
    std::printf("code=%d state=%d\n", code, m.getLockState());
    return 0;
  }
  if (args.size() - i < 4) {
    std::fprintf(stderr, "usage: engine_report_probe [settings] NUMBER JOB LINE SOURCE [ARG...]\n");
    return 100;
  }
  setEngineSettings(settings);
  const int number = std::atoi(args[i].c_str());
  const int job = std::atoi(args[i + 1].c_str());
  const int line = std::atoi(args[i + 2].c_str());
  const std::string source = args[i + 3];
  for (int r = 0; r < repeat; ++r) {
    std::vector<std::string> texts;
    std::vector<qv_format::Arg> list;
    texts.reserve(args.size());
    for (size_t k = i + 4; k < args.size(); ++k) {
      const std::string& a = args[k];
      if (a.rfind("i:", 0) == 0) {
        list.emplace_back(static_cast<int64_t>(std::atoll(a.c_str() + 2)));
      } else if (a.rfind("f:", 0) == 0) {
        list.emplace_back(std::atof(a.c_str() + 2));
      } else {
        std::string t = a;
        if (auto at = t.find("%i"); at != std::string::npos) t.replace(at, 2, "#" + std::to_string(r));
        texts.push_back(std::move(t));
        list.emplace_back(texts.back());
      }
    }
    reportErrorArgs(number, job, line, source, list);
  }
  if (printRetained) {
    const auto& kept = getRetainedMessages();
    std::printf("retained=%zu\n", kept.size());
    for (const auto& m : kept) std::printf("%s\n", m.c_str());
  }
  return 0;
}
