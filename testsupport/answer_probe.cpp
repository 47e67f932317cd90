// qv-answer-probe: writes an answer through the paced answer output the way
// a report does, for the tests of platform/answer_output. Modes:
//   wait GOFILE   writes "early", then computes (writes nothing, flushes
//                 nothing) until GOFILE exists, then writes "late"; gives up
//                 after 30 s and writes "timeout" instead.
//   lines N       writes N numbered lines, then "end".
//   exit          writes "before", then exits with status 3 while paced.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/answer_output.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  const std::string mode = argv[1];
  qv_answer::PacedAnswer paced;
  if (mode == "wait" && argc == 3) {
    qv_answer::line("early");
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!std::filesystem::exists(argv[2])) {
      if (std::chrono::steady_clock::now() > give_up) {
        qv_answer::line("timeout");
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    qv_answer::line("late");
    return 0;
  }
  if (mode == "lines" && argc == 3) {
    const long n = std::atol(argv[2]);
    for (long i = 1; i <= n; ++i) qv_answer::line("line" + std::to_string(i));
    qv_answer::line("end");
    return qv_answer::lost() ? 12 : 0;
  }
  if (mode == "exit") {
    qv_answer::line("before");
    std::exit(3);
  }
  return 2;
}
