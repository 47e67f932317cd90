// The results commands at the edges of what they are given: a line longer
// than the memory the program may use, a zero-filled tail without a line
// end, a results file cut shorter while it is being copied, a reader of the
// answer that goes away.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "searchcontrol/results_test_support.h"
#include "testsupport/sanitizer.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

class ResultsLimits : public ::testing::Test {
 protected:
  // Generates data/<name>, a small MS/MS search.
  void generate(const std::string& name) {
    const RunResult g =
        t_.runProgram(qvtest::programPath("qv-genresults"),
                      {"--queries", "3", "--peaks", "4", "--ranks", "2", "--proteins", "4", "--hits", "2", "--output",
                       t_.path("data/" + name)});
    ASSERT_EQ(g.status, 0) << g.err;
  }
  ResultsTree t_;
};

// The INI rewrite holds no whole line: a line of 64 MiB without a line feed
// goes through a program limited to 40 MiB of address space, and the answer
// is the one the program gives without a limit.
TEST_F(ResultsLimits, IniRewriteOfALineLongerThanTheMemoryLimitGivesTheSameBytes) {
  if (qvtest::kSanitizerReservesAddressSpace)
    GTEST_SKIP() << "the sanitizer needs more address space than this limit";
  constexpr size_t kLine = size_t{64} << 20;
  const std::string head = "MIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=b\n\n--b\n"
                           "Content-Type: application/x-Tarnel; name=\"parameters\"\r\n\r\nfirst=1\r\n";
  {
    std::ofstream f(t_.path("data/long.dat"), std::ios::binary);
    f << head << "long=";
    const std::string block(1 << 20, 'v');
    for (size_t n = 0; n < kLine; n += block.size()) f << block;
    f << "\r\nlast=2";
  }
  const int64_t id = t_.completed("../data/long.dat");
  const std::vector<std::string> command = {qvtest::programPath(), "--result_file_ini", "--taskID", std::to_string(id)};
  std::vector<std::string> limited = {"--as=" + std::to_string(40 << 20)};
  limited.insert(limited.end(), command.begin(), command.end());
  const RunResult r = t_.runProgram("/usr/bin/prlimit", limited);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const std::string expected = "[parameters]\nfirst=1\nlong=" + std::string(kLine, 'v') + "\nlast=2\n";
  EXPECT_TRUE(r.out == expected) << r.out.size() << " bytes";
  const RunResult free = t_.run({"--result_file_ini", "--taskID", std::to_string(id)});
  EXPECT_EQ(free.status, 0) << free.err;
  EXPECT_TRUE(free.out == r.out);
}

// A zero-filled tail of 128 MiB without a line end after the last section
// (a crash while the file was written) is read in one pass, and the report
// is the one of the same bytes cut into lines of 64 KiB, which hold no keys
// either.
TEST_F(ResultsLimits, ZeroFilledTailWithoutALineEndReportsAsTheSameBytesInShortLines) {
  constexpr uintmax_t kTail = uintmax_t{128} << 20;
  generate("hole.dat");
  generate("lines.dat");
  const uintmax_t size = std::filesystem::file_size(t_.path("data/hole.dat"));
  // Both tails are holes of the file system: they take no disk.
  std::filesystem::resize_file(t_.path("data/hole.dat"), size + kTail);
  std::filesystem::resize_file(t_.path("data/lines.dat"), size + kTail);
  {
    std::fstream f(t_.path("data/lines.dat"), std::ios::binary | std::ios::in | std::ios::out);
    for (uintmax_t at = size + (64 << 10); at < size + kTail; at += 64 << 10) {
      f.seekp(static_cast<std::streamoff>(at));
      f.put('\n');
    }
  }
  for (const std::string command : {"--results", "--xmlresults"}) {
    std::vector<std::string> extra;
    if (command == "--xmlresults") extra = {"--reporttop", "5"};
    const RunResult hole = t_.ask(command, t_.completed("../data/hole.dat"), extra);
    const RunResult lines = t_.ask(command, t_.completed("../data/lines.dat"), extra);
    EXPECT_EQ(hole.status, 0) << command << hole.err;
    EXPECT_EQ(hole.out, std::string(lines.out).replace(lines.out.find("lines.dat"), 9, "hole.dat")) << command;
    EXPECT_NE(hole.out.find("SYN00001"), std::string::npos) << command << hole.out;
  }
}

// A results file cut shorter while it is copied out: the copy ends where
// the file now ends, short of the size the file had when it was opened,
// and the exit status says the answer is not the whole file (8, as after a
// read error) instead of success. One byte short is short; the same size,
// or a file that grows meanwhile, is copied to its end with success.
TEST_F(ResultsLimits, FileCutShorterWhileItIsCopiedEndsWithStatus8) {
  std::string text = "MIME-Version: 1.0\n\n\n";
  for (int i = 0; text.size() < (9 << 20); ++i) text += "key" + std::to_string(i) + "=" + std::string(40, 'v') + "\n";
  struct Case {
    std::string command;
    size_t cutTo;
    int status;
  };
  const std::vector<Case> cases = {
      {"--result_file_mime", 3 << 20, 8},          {"--result_file_ini", 3 << 20, 8},
      {"--result_file_mime", text.size() - 1, 8},  {"--result_file_ini", text.size() - 1, 8},
      {"--result_file_mime", text.size(), 0},      {"--result_file_mime", text.size() + 1, 0},
  };
  for (const Case& c : cases) {
    t_.write("data/F.dat", text);
    const int64_t id = t_.completed("../data/F.dat");
    // The program's writes wait for this reader, which cuts the file at the
    // first bytes it gets, while the program is still on its first piece.
    bool cut = false;
    const RunResult r = t_.runWatching({c.command, "--taskID", std::to_string(id)}, [&](const std::string&) {
      if (!cut) std::filesystem::resize_file(t_.path("data/F.dat"), c.cutTo);
      cut = true;
    });
    EXPECT_EQ(r.status, c.status) << c.command << " " << c.cutTo << r.err;
    std::string now = text;
    now.resize(c.cutTo, '\0');
    if (c.command == "--result_file_mime") EXPECT_TRUE(r.out == now) << c.cutTo << ": " << r.out.size() << " bytes";
    else EXPECT_LT(r.out.size(), c.cutTo);
  }
}

// A reader that goes away after the first bytes of the answer (a web
// client that disconnects): the run ends with the status of an answer that
// could not be written (12), not killed by SIGPIPE, and soon: a report stops
// at its next step instead of working out the rest for nobody. The file
// takes the full reports a while; the bound is generous.
TEST_F(ResultsLimits, ReaderThatGoesAwayEndsTheRunSoonWithStatus12) {
  const RunResult g = t_.runProgram(qvtest::programPath("qv-genresults"),
                                    {"--queries", "20000", "--peaks", "5", "--ranks", "10", "--proteins", "300",
                                     "--output", t_.path("data/F.dat")});
  ASSERT_EQ(g.status, 0) << g.err;
  const int64_t id = t_.completed("../data/F.dat");
  const std::vector<std::vector<std::string>> commands = {
      {"--results"}, {"--xmlresults", "--reporttop", "AUTO"}, {"--result_file_ini"}, {"--result_file_mime"}};
  for (const std::vector<std::string>& command : commands) {
    std::vector<std::string> args = command;
    args.insert(args.end(), {"--taskID", std::to_string(id)});
    const RunResult r = t_.runReaderLeaving(args, 1, 60);
    EXPECT_FALSE(r.timedOut) << command[0];
    EXPECT_EQ(r.status, 12) << command[0] << r.err;
    EXPECT_EQ(r.err, "") << command[0];
  }
}

}  // namespace
