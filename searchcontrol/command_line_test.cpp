// The command line as web scripts see it: the real program run in a server tree.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "searchcontrol/command_line.h"
#include "searchcontrol/commands.h"
#include "testsupport/server_tree.h"

namespace {

using qvtest::RunResult;
using qvtest::ServerTree;

const std::string kUsage =
    "Version 2.1.0\n"
    "\n"
    "Usage: qv-searchcontrol.exe --status            --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --result_file_name  --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --result_file_mime  --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --result_file_ini   --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --results           --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --xmlresults        --taskID <uniqueID> --reporttop [FILE|AUTO|num_hits]\n"
    "       qv-searchcontrol.exe --create_task_id\n"
    "       qv-searchcontrol.exe --tarnel_job_number --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --kill_job          --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --pause_job         --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --resume_job        --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --nice_job          --taskID <uniqueID> --nice <value in range -20 to +20>\n"
    "       qv-searchcontrol.exe --set_to_queued     --taskID <uniqueID>\n"
    "       qv-searchcontrol.exe --version\n"
    "\n"
    "       each command also takes optional --sessionID <session number>\n"
    "\n";

void expectRefused(const std::vector<std::string>& args) {
  ServerTree tree;
  RunResult r = tree.run(args);
  EXPECT_EQ(r.status, 1) << testing::PrintToString(args);
  EXPECT_EQ(r.out, "") << testing::PrintToString(args);
  EXPECT_EQ(r.err, kUsage) << testing::PrintToString(args);
}

TEST(CommandLine, RefusedLinesPrintUsageAndExitOne) {
  expectRefused({});
  expectRefused({"--status"});                                   // task identifier missing
  expectRefused({"--status", "--taskID"});                       // value missing
  expectRefused({"--taskID", "7"});                              // no command
  expectRefused({"--status", "--taskID", "word"});               // does not convert
  expectRefused({"--STATUS", "--taskID", "7"});                  // case-sensitive
  expectRefused({"--status", "--taskID=7"});                     // attached value
  expectRefused({"--stat", "--taskID", "7"});                    // no abbreviations
  expectRefused({"--status", "--taskID", "7", "extra"});         // unknown argument
  expectRefused({"--xmlresults", "--status", "--taskID", "7"});  // report size missing
  expectRefused({"--xmlresults", "--taskID", "7"});
  expectRefused({"--status", "--taskID", "1e300"});              // beyond 64 bits
  expectRefused({"--status", "--taskID", "nan"});
  expectRefused({"--status", "--taskID", "-inf"});
  expectRefused({"--status", "--taskID", "0.85"});               // rounds to 0
  expectRefused({"--create_task_id", "--nice"});                 // value missing even for a task-free command
}

TEST(CommandLine, UsageTextNamesEveryCommandOfTheTableButTheSelfCheck) {
  int listed = 0;
  for (int i = 0; i < qv_searchcontrol::kNumberOfCommands; ++i) {
    const std::string option(qv_searchcontrol::kCommands[i].option);
    const bool inUsage = kUsage.find(" " + option + " ") != std::string::npos ||
                         kUsage.find(" " + option + "\n") != std::string::npos;
    EXPECT_EQ(inUsage, option != "--secret_test_harness") << option;
    listed += inUsage;
  }
  // One usage line per listed command, each naming the program.
  int lines = 0;
  for (size_t at = kUsage.find("qv-searchcontrol.exe --"); at != std::string::npos;
       at = kUsage.find("qv-searchcontrol.exe --", at + 1)) {
    ++lines;
  }
  EXPECT_EQ(lines, listed);
}

TEST(CommandLine, VersionEchoesTheInvocationName) {
  ServerTree tree;
  RunResult r = tree.runProgram(qvtest::programPath(), {"--version"}, "./some/name.exe");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "./some/name.exe - Version 2.1.0\n");
  EXPECT_EQ(r.err, "");
  r = tree.run({"--taskID", "5", "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, qvtest::programPath() + " - Version 2.1.0\n");
}

TEST(CommandLine, LastCommandWinsAndValuesMayStandAnywhere) {
  ServerTree tree;
  RunResult r = tree.run({"--status", "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(" - Version 2.1.0"), std::string::npos);
  // --version last wins over a command needing a task id
  r = tree.run({"--version", "--status"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, kUsage);
  // --secret_test_harness swallows the next argument, whatever it is.
  r = tree.run({"--secret_test_harness", "--bogus", "--version"});
  EXPECT_EQ(r.status, 0);
  r = tree.run({"--version", "--secret_test_harness", "--bogus"});
  EXPECT_NE(r.status, 1);
  EXPECT_EQ(r.err.find("Usage"), std::string::npos);
}

TEST(CommandLine, NiceOutOfRangeWritesUsageButTheCommandRuns) {
  ServerTree tree;
  RunResult r = tree.run({"--nice", "25", "--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, kUsage);
  EXPECT_NE(r.out.find(" - Version 2.1.0"), std::string::npos);
  r = tree.run({"--nice", "-20", "--version"});
  EXPECT_EQ(r.err, "");
  r = tree.run({"--nice", "99999999999999", "--version"});
  EXPECT_EQ(r.err, kUsage);
  EXPECT_EQ(r.status, 0);
}

// Values parsed without a process: the rounding and range rules of --taskID.
TEST(CommandLine, TaskIdConversion) {
  using qv_searchcontrol::parseTaskId;
  EXPECT_EQ(parseTaskId("41.95"), 42);
  EXPECT_EQ(parseTaskId("5.85"), 5);
  EXPECT_EQ(parseTaskId("12345678901234"), 12345678901234);
  EXPECT_EQ(parseTaskId("17abc"), 17);
  EXPECT_EQ(parseTaskId("  3"), 3);
  EXPECT_EQ(parseTaskId("-4"), -3);  // -3.9 truncates toward zero
  EXPECT_EQ(parseTaskId("abc"), 0);
  EXPECT_EQ(parseTaskId(""), 0);
  EXPECT_EQ(parseTaskId("9.3e18"), 0);
  EXPECT_EQ(parseTaskId("-9.3e18"), 0);
  EXPECT_EQ(parseTaskId("infinity"), 0);
  EXPECT_EQ(parseTaskId("9.2e18"), 9200000000000000000LL);
}

}  // namespace
