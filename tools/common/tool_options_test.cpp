// --help and --version of every installed tool, run as a user runs them: the
// usage text on standard output and nothing on standard error, the version
// of the project, and a failed write reported rather than passed off as an
// answer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/server_tree.h"
#include "tools/common/tool_options.h"

namespace {

struct Tool {
  const char* name;
  std::vector<std::string> badLine;  ///< a command line the tool refuses with its usage text
  bool usageAfterAReason;            ///< the refusal puts one line of reason before the usage text
};

const Tool kTools[] = {
    {"qv-configcheck", {"--no-such-option"}, false},
    {"qv-enginesim", {}, false},
    {"qv-genresults", {"--no-such-option"}, true},
    {"qv-sessionprobe", {"--no-such-option"}, false},
};

// The usage text a tool writes to standard error when it refuses a line.
std::string usageOnRefusal(const qvtest::ServerTree& tree, const Tool& tool) {
  const qvtest::RunResult r = tree.runProgram(qvtest::programPath(tool.name), tool.badLine);
  EXPECT_NE(r.status, 0) << tool.name;
  EXPECT_TRUE(r.out.empty()) << tool.name << ": " << r.out;
  if (!tool.usageAfterAReason) return r.err;
  const size_t endOfReason = r.err.find('\n');
  return endOfReason == std::string::npos ? std::string() : r.err.substr(endOfReason + 1);
}

TEST(ToolOptions, HelpPrintsTheUsageTextOnStandardOutputAndNothingOnStandardError) {
  qvtest::ServerTree tree;
  for (const Tool& tool : kTools) {
    const std::string usage = usageOnRefusal(tree, tool);
    ASSERT_NE(usage.find(tool.name), std::string::npos) << tool.name << ": " << usage;
    const qvtest::RunResult r = tree.runProgram(qvtest::programPath(tool.name), {"--help"});
    EXPECT_EQ(r.status, 0) << tool.name;
    EXPECT_EQ(r.out, usage) << tool.name;
    EXPECT_EQ(r.err, "") << tool.name;
  }
}

TEST(ToolOptions, VersionPrintsTheToolsNameAndTheProjectVersion) {
  qvtest::ServerTree tree;
  for (const Tool& tool : kTools) {
    const qvtest::RunResult r = tree.runProgram(qvtest::programPath(tool.name), {"--version"});
    EXPECT_EQ(r.status, 0) << tool.name;
    EXPECT_EQ(r.out, std::string(tool.name) + " " + QV_PROJECT_VERSION + "\n");
    EXPECT_EQ(r.err, "") << tool.name;
  }
  EXPECT_EQ(qv_tools::projectVersion(), QV_PROJECT_VERSION);
}

TEST(ToolOptions, HelpAndVersionCountOnlyAsTheFirstArgument) {
  // Later on the line they are the tool's own arguments: here a session
  // identifier and a results file name, which the tools treat as such.
  qvtest::ServerTree tree;
  qvtest::RunResult r = tree.runProgram(qvtest::programPath("qv-sessionprobe"), {"--quiet", "--version"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  r = tree.runProgram(qvtest::programPath("qv-enginesim"), {"--control", "--help"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
}

TEST(ToolOptions, AnAnswerThatCannotBeWrittenEndsWithStatusOneAndSaysSo) {
  qvtest::ServerTree tree;
  for (const Tool& tool : kTools) {
    for (const char* option : {"--help", "--version"}) {
      for (const char* fault : {"full", "closed"}) {
        const qvtest::RunResult r = tree.runProgram(qvtest::programPath("qv-stdout-fault"),
                                                    {fault, qvtest::programPath(tool.name), option});
        EXPECT_EQ(r.status, 1) << tool.name << " " << option << " " << fault;
        EXPECT_EQ(r.err, std::string(tool.name) + ": cannot write to standard output\n")
            << tool.name << " " << option << " " << fault;
      }
    }
  }
}

TEST(ToolOptions, TheMainProgramReportsTheProjectVersion) {
  qvtest::ServerTree tree;
  const std::string program = qvtest::programPath();
  const qvtest::RunResult r = tree.runProgram(program, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, program + " - Version " + QV_PROJECT_VERSION + "\n");
}

}  // namespace
