// The results-command preamble and --result_file_name end to end: every
// branch and code, through --result_file_mime (the command whose answer
// shows most plainly whether the preamble let it through).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

const std::string kFile = "--gc0p4Jq0M2Yt08jU534c0p\nContent-Type: text/plain\n\nline one\r\nline two\n";

TEST(ResultFileName, NameOfACompletedTaskAndOfOneWithoutAFile) {
  ResultsTree t;
  const int64_t done = t.completed("../data/20261206/F001.dat");
  RunResult r = t.ask("--result_file_name", done);
  EXPECT_EQ(r.out, "filename=../data/20261206/F001.dat\n");
  EXPECT_EQ(r.status, 0);
  const int64_t fresh = t.create();
  r = t.ask("--result_file_name", fresh);
  EXPECT_EQ(r.out, "filename=\n");
  EXPECT_EQ(r.status, 0);
  // No state test: a task nobody knows has no name either.
  r = t.ask("--result_file_name", 12345);
  EXPECT_EQ(r.out, "filename=\n");
  EXPECT_EQ(r.status, 0);
}

TEST(ResultFileName, NeedsNoSessionEvenWithSecurityOn) {
  ResultsTree t;
  t.securityOn();
  const int64_t id = t.completed("../data/F1.dat", 77);
  const RunResult r = t.ask("--result_file_name", id, {"--sessionID", "nobody"});
  EXPECT_EQ(r.out, "filename=../data/F1.dat\n");
  EXPECT_EQ(r.status, 0);
}

TEST(Preamble, LetsACompletedTaskThroughWithoutSecurity) {
  ResultsTree t;
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 77);
  const RunResult r = t.ask("--result_file_mime", id);
  EXPECT_EQ(r.out, kFile);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
}

TEST(Preamble, UnknownTaskAnswersUnknownId) {
  ResultsTree t;
  const RunResult r = t.ask("--result_file_mime", 12345);
  EXPECT_EQ(r.out, "unknown_id\n");
  EXPECT_EQ(r.status, 0);
}

TEST(Preamble, TaskWithoutResultsFileNameAnswers8) {
  ResultsTree t;
  for (const std::string command : {"--result_file_mime"}) {
    const RunResult r = t.ask(command, t.create());
    EXPECT_EQ(r.out, "searchcontrol-error=8\n") << command;
    EXPECT_EQ(r.status, 8) << command;
  }
}

TEST(Preamble, RegistryFailureAnswersTheRegistryCode) {
  ResultsTree t;
  const int64_t id = t.completed("../data/F1.dat");
  // The day index becomes unreadable as an index (a directory in its place).
  std::filesystem::remove(t.path(t.dayIndex(id)));
  std::filesystem::remove(t.path(t.taskFile(id)));
  std::filesystem::create_directories(t.path(t.dayIndex(id)));
  RunResult status = t.q({"--status", "--taskID", std::to_string(id)});
  ASSERT_NE(status.status, 0) << status.out;
  const RunResult r = t.ask("--result_file_mime", id);
  EXPECT_EQ(r.out, "searchcontrol-error=" + std::to_string(status.status) + "\n");
  EXPECT_EQ(r.status, status.status);
  const RunResult name = t.ask("--result_file_name", id);
  EXPECT_EQ(name.out, r.out);
  EXPECT_EQ(name.status, status.status);
}

TEST(Preamble, SecurityOffWhenLoginScriptIsAbsentEvenWithSessionFiles) {
  ResultsTree t;
  t.write("config/security_options.xml", ResultsTree::optionsXml());
  t.session("old", 42, "", 60, 3600);
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 77);
  const RunResult r = t.ask("--result_file_mime", id, {"--sessionID", "old"});
  EXPECT_EQ(r.out, kFile);
  EXPECT_EQ(r.status, 0);
}

TEST(Preamble, TimedOutSessionAnswers10BeforeTheTaskIsLookedAt) {
  ResultsTree t;
  t.securityOn();
  t.session("old", 42, "", 60, 3600);
  // Not even an unknown task is revealed to a timed-out session.
  const RunResult r = t.ask("--result_file_mime", 12345, {"--sessionID", "old"});
  EXPECT_EQ(r.out, "searchcontrol-error=10\n");
  EXPECT_EQ(r.status, 10);
}

TEST(Preamble, InvalidSessionAnswers11) {
  ResultsTree t;
  t.securityOn();
  t.setEnv("REMOTE_ADDR", "127.0.0.1");  // a web request: no command-line session
  const int64_t id = t.completed("../data/F1.dat", 42);
  const RunResult r = t.ask("--result_file_mime", id, {"--sessionID", "nosuchsession"});
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
}

TEST(Preamble, OwnerAndPermittedTasksDecideWhoSeesResults) {
  ResultsTree t;
  t.securityOn();
  t.write("data/F1.dat", kFile);
  const int64_t ofUser42 = t.completed("../data/F1.dat", 42);
  const int64_t ofUser77 = t.completed("../data/F1.dat", 77);
  t.session("own", 42);
  t.session("some", 42, ResultsTree::permittedTask(13, {77}));
  t.session("all", 42, ResultsTree::permittedTask(14));
  t.session("other", 42, ResultsTree::permittedTask(13, {78}));

  EXPECT_EQ(t.ask("--result_file_mime", ofUser42, {"--sessionID", "own"}).out, kFile);
  RunResult r = t.ask("--result_file_mime", ofUser77, {"--sessionID", "own"});
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
  r = t.ask("--result_file_mime", ofUser77, {"--sessionID", "other"});
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
  EXPECT_EQ(t.ask("--result_file_mime", ofUser77, {"--sessionID", "some"}).out, kFile);
  EXPECT_EQ(t.ask("--result_file_mime", ofUser77, {"--sessionID", "all"}).out, kFile);
  // Unknown tasks are told apart before the owner check.
  EXPECT_EQ(t.ask("--result_file_mime", 12345, {"--sessionID", "own"}).out, "unknown_id\n");
}

TEST(Preamble, SessionRefusalComesBeforeTheMissingFileName) {
  ResultsTree t;
  t.securityOn();
  t.session("own", 42);
  const int64_t fresh = t.create();  // no owner (0), no file name
  const RunResult r = t.ask("--result_file_mime", fresh, {"--sessionID", "own"});
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
  t.session("unowned", 42, ResultsTree::permittedTask(15));
  const RunResult allowed = t.ask("--result_file_mime", fresh, {"--sessionID", "unowned"});
  EXPECT_EQ(allowed.out, "searchcontrol-error=8\n");
  EXPECT_EQ(allowed.status, 8);
}

TEST(Preamble, CommandLineSessionSeesEverything) {
  ResultsTree t;
  t.securityOn();
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 77);
  // No --sessionID and no web request: the command-line session (user 3).
  const RunResult r = t.ask("--result_file_mime", id);
  EXPECT_EQ(r.out, kFile);
  EXPECT_EQ(r.status, 0);
}

}  // namespace

namespace {

TEST(Answer, AnswerThatCannotBeWrittenEndsWithStatus12) {
  qvtest::ResultsTree t;
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat");
  for (const std::string command : {"--status", "--result_file_name", "--result_file_mime"}) {
    const qvtest::RunResult r = t.runProgram(
        "/bin/sh", {"-c", "exec \"$0\" " + command + " --taskID " + std::to_string(id) + " >/dev/full",
                    qvtest::programPath()});
    EXPECT_EQ(r.status, 12) << command << r.err;
  }
}

}  // namespace
