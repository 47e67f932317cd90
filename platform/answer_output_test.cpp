// The paced answer output seen from outside: a reader of the pipe gets a
// line while the writer computes without flushing, every line arrives whole
// and in order, and an exit while paced loses nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testsupport/server_tree.h"

namespace {

const std::string kProbe = "qv-answer-probe";

TEST(PacedAnswer, ReaderSeesALineWhileTheWriterComputes) {
  qvtest::ServerTree t;
  const std::string go = t.path("go");
  // The probe writes "early" and then waits for the go file without writing
  // or flushing; only the flusher can hand "early" to us, and only once we
  // have it do we let the probe go on. Without the flusher the probe gives
  // up after 30 s and writes "timeout".
  const qvtest::RunResult r = t.runWatching(
      {"wait", go},
      [&](const std::string& soFar) {
        if (soFar == "early\n") t.write("go", "");
      },
      qvtest::programPath(kProbe));
  EXPECT_EQ(r.out, "early\nlate\n");
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST(PacedAnswer, ManyLinesArriveWholeAndInOrder) {
  qvtest::ServerTree t;
  std::string expected;
  for (int i = 1; i <= 200000; ++i) expected += "line" + std::to_string(i) + "\n";
  expected += "end\n";
  size_t pieces = 0;
  const qvtest::RunResult r = t.runWatching(
      {"lines", "200000"}, [&](const std::string&) { ++pieces; }, qvtest::programPath(kProbe));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, expected);
  // 2.3 MB in far fewer pieces than lines: no write per line.
  EXPECT_LT(pieces, 20000u);
}

TEST(PacedAnswer, ExitWhilePacedKeepsTheAnswer) {
  qvtest::ServerTree t;
  const qvtest::RunResult r = t.runProgram(qvtest::programPath(kProbe), {"exit"});
  EXPECT_EQ(r.out, "before\n");
  EXPECT_EQ(r.status, 3) << r.err;
}

}  // namespace
