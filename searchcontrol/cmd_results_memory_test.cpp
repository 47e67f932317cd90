// The results reports under the memory limits a web server puts on its
// children (address space, data), through the real program run by prlimit:
// a small search gets its whole report under every such limit, and a report
// that does not fit ends with an error line and an error status, never with
// a signal or, for the XML report, with half a document that claims success.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "searchcontrol/results_test_support.h"
#include "testsupport/sanitizer.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

constexpr const char* kPlainTextAnswer = "content-type: text/plain\n\nerror=FileNotFoundOrInvalid\n";
constexpr const char* kOutOfMemoryLine = "searchcontrol-error=8\n";

class ResultsUnderLimits : public ::testing::Test {
 protected:
  void SetUp() override {
    if (qvtest::kSanitizerReservesAddressSpace)
      GTEST_SKIP() << "the sanitizer needs more address space than these limits";
  }
  int64_t generated(const std::string& name, const std::vector<std::string>& options) {
    return t_.generated(name, options);
  }
  // The answer of `command` for task `id`, run with the prlimit option
  // `limit` (empty: no limit).
  RunResult ask(const std::string& limit, const std::string& command, int64_t id) const {
    std::vector<std::string> args = {qvtest::programPath(), command, "--taskID", std::to_string(id)};
    if (command == "--xmlresults") args.insert(args.end(), {"--reporttop", "AUTO"});
    if (limit.empty()) return t_.runProgram(args[0], {args.begin() + 1, args.end()});
    args.insert(args.begin(), limit);
    return t_.runProgram("/usr/bin/prlimit", args);
  }
  ResultsTree t_;
};

std::string megabytes(const char* option, int mb) {
  return std::string(option) + std::to_string(static_cast<long long>(mb) << 20);
}

// A report of three queries needs a few megabytes; none of these limits
// may keep it from being written whole.
TEST_F(ResultsUnderLimits, ASmallSearchGetsItsWholeReportUnderEveryLimit) {
  const std::vector<int64_t> ids = {
      generated("msms.dat", {"--type", "msms", "--queries", "3", "--peaks", "4", "--ranks", "3", "--proteins", "4"}),
      generated("pmf.dat", {"--type", "pmf", "--queries", "3", "--proteins", "4", "--hits", "3"}),
  };
  for (const int64_t id : ids) {
    for (const std::string command : {"--results", "--xmlresults"}) {
      const RunResult whole = ask("", command, id);
      ASSERT_EQ(whole.status, 0) << whole.err;
      ASSERT_NE(whole.out, kPlainTextAnswer);
      for (const char* option : {"--as=", "--data="}) {
        for (const int mb : {64, 200, 400, 511, 512, 513}) {
          SCOPED_TRACE(command + " " + megabytes(option, mb));
          const RunResult r = ask(megabytes(option, mb), command, id);
          EXPECT_EQ(r.status, 0) << r.err;
          EXPECT_EQ(r.err, "");
          EXPECT_EQ(r.out, whole.out);
        }
      }
    }
  }
}

// Under address-space limits rising from too small for anything to enough,
// each run writes the whole report, or answers as for a file that cannot be
// read (the file did not fit: status 0 and nothing else), or is cut short
// when the summary does not fit: what it wrote is the report's beginning,
// then the error line, with the error status. Never a signal. The limits
// rise in steps of 2 MB, well below what the summary needs beyond the open
// file, so some run is cut short before the first that is whole.
TEST_F(ResultsUnderLimits, AReportThatDoesNotFitEndsWithTheErrorLineAndStatus) {
  const int64_t id = generated("msms.dat", {"--type", "msms", "--queries", "2500", "--peaks", "2", "--ranks", "10",
                                            "--proteins", "1000", "--seed", "7"});
  for (const std::string command : {"--results", "--xmlresults"}) {
    const RunResult whole = ask("", command, id);
    ASSERT_EQ(whole.status, 0) << whole.err;
    int cut = 0, unread = 0;
    bool complete = false;
    for (int mb = 16; mb <= 512 && !complete; mb += 2) {
      SCOPED_TRACE(command + " " + std::to_string(mb) + " MB");
      const RunResult r = ask(megabytes("--as=", mb), command, id);
      ASSERT_LT(r.status, 128) << "ended by a signal: " << r.err;
      if (r.status == 0 && r.out == whole.out) {
        complete = true;
      } else if (r.status == 0) {
        ++unread;
        if (command == "--xmlresults") {
          EXPECT_EQ(r.out, kPlainTextAnswer);
        } else {
          EXPECT_TRUE(r.out.starts_with("error=") && r.out.find('\n') == r.out.size() - 1) << r.out;
        }
      } else {
        ++cut;
        EXPECT_EQ(r.status, 8) << r.err;
        ASSERT_TRUE(r.out.ends_with(kOutOfMemoryLine)) << r.out.substr(r.out.size() < 300 ? 0 : r.out.size() - 300);
        const std::string written = r.out.substr(0, r.out.size() - std::string(kOutOfMemoryLine).size());
        EXPECT_TRUE(whole.out.starts_with(written)) << written.substr(0, 300);
      }
    }
    EXPECT_TRUE(complete) << command;
    EXPECT_GT(cut, 0) << command << ", " << unread << " runs could not read the file";
  }
}

}  // namespace
