// End-to-end runs of qv-configcheck on good, broken and missing files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/server_tree.h"

namespace {

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

qvtest::RunResult check(const qvtest::ServerTree& tree, const std::vector<std::string>& args = {}) {
  return tree.runProgram(qvtest::programPath("qv-configcheck"), args, "qv-configcheck");
}

TEST(ConfigCheck, TheDemoConfigurationIsValid) {
  qvtest::ServerTree tree;
  std::ostringstream demo;
  demo << std::ifstream(qvtest::sourceDir() + "/demo/template/config/tarnel.dat").rdbuf();
  tree.write("config/tarnel.dat", demo.str());
  const qvtest::RunResult r = check(tree);
  EXPECT_EQ(r.out, "ok\n");
  EXPECT_EQ(r.status, 0);
}

TEST(ConfigCheck, WarningsLeaveTheConfigurationValid) {
  qvtest::ServerTree tree;
  tree.write("config/tarnel.dat", "Options\nMailTransport 9\nend\nPARSE\nfoo\nend\nCluster\nIPCLogging 5\nend\n");
  const qvtest::RunResult r = check(tree);
  EXPECT_EQ(r.out,
            "warning 0x606 Error in line in Options section of the configuration file ../config/tarnel.dat: "
            "MailTransport 9\n"
            "warning 0x60A Invalid parsing rule syntax in ../config/tarnel.dat file. Expecting RULE_, found foo\n"
            "warning 0x607 Invalid entry in Cluster section of the configuration file ../config/tarnel.dat: "
            "IPCLogging 5\n"
            "ok\n");
  EXPECT_EQ(r.status, 0);
}

TEST(ConfigCheck, ConfigurationThatCannotBeReadIsInvalid) {
  qvtest::ServerTree tree;
  tree.write("config/tarnel.dat", "Options\nInterFileBasePath ../data\nend\n");
  const qvtest::RunResult ok = check(tree);
  EXPECT_EQ(ok.out, "ok\n");
  const std::string dat = tree.path("config/tarnel.dat");
  std::vector<std::string> args;  // for env(1): the failing reads, then the checker
  for (const auto& [name, value] : qvtest::failingIo(dat, "read")) args.push_back(name + "=" + value);
  args.push_back(qvtest::programPath("qv-configcheck"));
  const qvtest::RunResult r = tree.runProgram("/usr/bin/env", args);
  EXPECT_EQ(r.out,
            "error 0x100 Failed to open file ../config/tarnel.dat for reading (Input/output error)\n"
            "invalid\n");
  EXPECT_EQ(r.status, 1);
}

TEST(ConfigCheck, PipeAsTheConfigurationIsInvalidAndDoesNotHang) {
  qvtest::ServerTree tree;
  const std::string fifo = tree.path("config/fifo.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const qvtest::RunResult r =
      tree.runProgram("/usr/bin/timeout", {"10", qvtest::programPath("qv-configcheck"), fifo});
  EXPECT_EQ(r.out, "error 0x100 Failed to open file " + fifo + " for r\ninvalid\n");
  EXPECT_EQ(r.status, 1);
}

TEST(ConfigCheck, DumpShowsDecimalsAsRead) {
  qvtest::ServerTree tree;
  tree.write("config/tarnel.dat", "Options\nScoreThresholdForAuto 1234567.5\nCentroidWidth 0.1\nend\n");
  const qvtest::RunResult r = check(tree, {"--dump"});
  const std::vector<std::string> all = lines(r.out);
  EXPECT_NE(std::find(all.begin(), all.end(), "ScoreThresholdForAuto=1234567.5"), all.end()) << r.out;
  EXPECT_NE(std::find(all.begin(), all.end(), "CentroidWidth=0.1"), all.end()) << r.out;
}

TEST(ConfigCheck, MissingConfigurationIsInvalid) {
  qvtest::ServerTree tree;
  const qvtest::RunResult r = check(tree);
  EXPECT_EQ(r.out,
            "error 0x601 Cannot find file 'tarnel.dat'. It contains the most important configuration parameters\n"
            "invalid\n");
  EXPECT_EQ(r.status, 1);
  const qvtest::RunResult named = check(tree, {tree.path("config/other.dat")});
  EXPECT_EQ(lines(named.out).back(), "invalid");
  EXPECT_EQ(named.status, 1);
}

TEST(ConfigCheck, NamedFileAndStatusPage) {
  qvtest::ServerTree tree;
  tree.write("data/stopped.dat", "<BODY><H1>Tarnel search status page</H1>\n");
  const qvtest::RunResult r = check(tree, {tree.path("data/stopped.dat")});
  EXPECT_EQ(r.out, "error 0x903 The Tarnel service is not running. Unable to retrieve configuration file.\ninvalid\n");
  EXPECT_EQ(r.status, 1);
}

TEST(ConfigCheck, DumpListsOptionsSectionsAndCluster) {
  qvtest::ServerTree tree;
  tree.write("config/tarnel.dat",
             "Options\nMaxQueries 50\nReportNumberChoices 5 auto\nend\nCluster\nEnabled 1\nSubClusterSet 1 4\nend\n"
             "CRON\n0 3 * * * ../bin/cleanup.pl\nend\n");
  const qvtest::RunResult r = check(tree, {"--dump"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::vector<std::string> out = lines(r.out);
  ASSERT_GT(out.size(), 90u);
  EXPECT_EQ(out.front(), "SaveLastQueryAsc=0");
  EXPECT_EQ(out.back(), "ok");
  auto has = [&](const std::string& l) { return std::find(out.begin(), out.end(), l) != out.end(); };
  EXPECT_TRUE(has("MaxQueries=50"));
  EXPECT_TRUE(has("ReportNumberChoices=5,-1"));
  EXPECT_TRUE(has("ReviewColWidths=7,8,8,27,30,100,32,25,6,13,2,4,6,16,7"));
  EXPECT_TRUE(has("MinPepLenInSearch=3"));
  EXPECT_TRUE(has("CronJob=1 enabled=0 line=0 3 * * * ../bin/cleanup.pl"));
  EXPECT_TRUE(has("Cluster.Enabled=1"));
  EXPECT_TRUE(has("Cluster.SubClusterSet=1:4"));
}

TEST(ConfigCheck, BadCommandLine) {
  qvtest::ServerTree tree;
  const qvtest::RunResult r = check(tree, {"--frobnicate"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("usage: qv-configcheck"), std::string::npos);
  EXPECT_EQ(check(tree, {"a.dat", "b.dat"}).status, 2);
}

TEST(ConfigCheck, BinaryGarbageGivesAnAnswer) {
  qvtest::ServerTree tree;
  std::string junk;
  for (int i = 0; i < 200000; ++i) junk += static_cast<char>((i * 2654435761u) >> 13);
  tree.write("config/tarnel.dat", junk);
  const qvtest::RunResult r = check(tree);
  EXPECT_TRUE(r.status == 0 || r.status == 1) << r.status;
  const std::vector<std::string> out = lines(r.out);
  ASSERT_FALSE(out.empty());
  EXPECT_TRUE(out.back() == "ok" || out.back() == "invalid");
}

// The access modes of the security store: each row sets the modes of a
// careful administrator, changes one thing, and expects exactly these
// warnings before the last line (a configuration's validity is not touched).
struct StoreCase {
  const char* what;
  std::vector<std::pair<std::string, unsigned>> modes;  // path below the tree, mode
  std::string warnings;
};

TEST(ConfigCheck, WarnsOfEachStoreModeThatLetsOtherUsersReadSessionsOrChangeTheStore) {
  const StoreCase cases[] = {
      {"the clean store, group bits allowed", {{"sessions", 0750}, {"sessions/a", 0640}}, ""},
      {"sessions listable by others",
       {{"sessions", 0704}},
       "warning access ../sessions/ can be read by other users (mode 0704): they can list the session identifiers\n"},
      {"sessions writable by others",
       {{"sessions", 0703}},
       "warning access ../sessions/ can be written by other users (mode 0703): they can plant or replace sessions\n"},
      {"one session file readable by others",
       {{"sessions/b", 0604}},
       "warning access 1 session file in ../sessions/ can be read by other users\n"},
      {"two session files readable and writable by others",
       {{"sessions/a", 0606}, {"sessions/b", 0666}},
       "warning access 2 session files in ../sessions/ can be read by other users\n"
       "warning access 2 session files in ../sessions/ can be written by other users\n"},
      {"options writable by others",
       {{"config/security_options.xml", 0646}},
       "warning access ../config/security_options.xml can be written by other users (mode 0646)\n"},
      {"schema writable by others",
       {{"config/tarnel_security_1_0.xsd", 0602}},
       "warning access ../config/tarnel_security_1_0.xsd can be written by other users (mode 0602)\n"},
      {"their directory writable by others",
       {{"config", 01777}},
       "warning access ../config/ can be written by other users (mode 1777): they can replace the security options "
       "or the schema\n"},
  };
  for (const StoreCase& c : cases) {
    qvtest::ServerTree tree;
    tree.write("config/tarnel.dat", "Options\nInterFileBasePath ../data\nend\n");
    tree.write("config/security_options.xml", "<options/>");
    tree.write("sessions/a", "<session/>");
    tree.write("sessions/b", "<session/>");
    tree.write("sessions/.keep", "");  // never a session identifier, whatever its mode
    const std::vector<std::pair<std::string, unsigned>> careful = {
        {"sessions", 0700},
        {"sessions/a", 0600},
        {"sessions/b", 0600},
        {"sessions/.keep", 0666},
        {"config", 0755},
        {"config/security_options.xml", 0644},
        {"config/tarnel_security_1_0.xsd", 0644},
    };
    for (const auto& [path, mode] : careful) ASSERT_EQ(::chmod(tree.path(path).c_str(), mode), 0) << path;
    for (const auto& [path, mode] : c.modes) ASSERT_EQ(::chmod(tree.path(path).c_str(), mode), 0) << path;
    const qvtest::RunResult r = check(tree);
    EXPECT_EQ(r.out, c.warnings + "ok\n") << c.what;
    EXPECT_EQ(r.status, 0) << c.what;
  }
}

}  // namespace
