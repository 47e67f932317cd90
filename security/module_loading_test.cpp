// The XML library and the HTTP client live in the extension module, which
// only a run that opens a session loads. The dynamic loader's own trace
// (LD_DEBUG=files) shows every library a run maps.
#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/server_tree.h"

namespace {

bool loadsTheModule(const qvtest::RunResult& r) {
  return r.err.find("libqv-ext") != std::string::npos || r.err.find("xerces") != std::string::npos ||
         r.err.find("libicu") != std::string::npos || r.err.find("libcurl") != std::string::npos;
}

class ModuleLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    // A server with its security layer installed and switched on.
    tree_.write("cgi/login.pl", "");
    tree_.write("config/security_options.xml",
                "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" majorVersion=\"1\" minorVersion=\"0\">"
                "<qvs:options><qvs:securityEnabled>true</qvs:securityEnabled><qvs:sessionTimeout>0"
                "</qvs:sessionTimeout><qvs:defaultPasswordExpiryTime>0</qvs:defaultPasswordExpiryTime>"
                "<qvs:minimumPasswordLength>0</qvs:minimumPasswordLength><qvs:useSessionCookies>true"
                "</qvs:useSessionCookies><qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>"
                "<qvs:corvanaAppServerURL/><qvs:corvanaDatabaseName/><qvs:corvanaOracleServerName/>"
                "<qvs:logLevel>3</qvs:logLevel><qvs:logFileName>../logs/security.log</qvs:logFileName>"
                "</qvs:options></qvs:security_options>");
    tree_.setEnv("LD_DEBUG", "files");
  }
  qvtest::ServerTree tree_;
};

TEST_F(ModuleLoading, OpeningASessionLoadsTheModule) {
  const qvtest::RunResult r = tree_.runProgram(qvtest::programPath("qv-sessionprobe"), {});
  EXPECT_EQ(r.status, 0) << r.out;
  ASSERT_NE(r.err.find("file=libc.so"), std::string::npos) << "loader trace missing";
  EXPECT_NE(r.err.find("libqv-ext.so"), std::string::npos);
  EXPECT_NE(r.err.find("libxerces-c"), std::string::npos);
}

TEST_F(ModuleLoading, RunsThatOpenNoSessionDoNotLoadIt) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--version"}, {"--status", "--taskID", "1"}, {"--result_file_name", "--taskID", "1"},
           {"--create_task_id"}}) {
    const qvtest::RunResult r = tree_.run(args);
    ASSERT_NE(r.err.find("file=libc.so"), std::string::npos) << "loader trace missing for " << args[0];
    EXPECT_FALSE(loadsTheModule(r)) << args[0];
  }
}

TEST_F(ModuleLoading, SecurityDisabledWithoutOptionsFileNeedsNoXml) {
  std::filesystem::remove(tree_.path("config/security_options.xml"));
  const qvtest::RunResult r = tree_.runProgram(qvtest::programPath("qv-sessionprobe"), {});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("session=all_secdisabledsession\n"), std::string::npos) << r.out;
  ASSERT_NE(r.err.find("file=libc.so"), std::string::npos);
  EXPECT_FALSE(loadsTheModule(r));
}

}  // namespace
