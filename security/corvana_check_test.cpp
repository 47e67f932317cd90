// The Corvana login check of sessions of user type 2, against a small HTTP
// server on 127.0.0.1 that the test starts (it exits by itself when idle).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/clock.h"
#include "platform/process.h"
#include "testsupport/server_tree.h"

namespace {

const char* kSessionID = "jo@corvana_12_34";

class CorvanaCheck : public ::testing::Test {
 protected:
  // Starts config/testdata/http_test_server.py in `mode`, answering `body`,
  // and writes options naming it and a Corvana session.
  void start(const std::string& mode, const std::string& body, const std::string& corvanaURL = "") {
    tree_.write("http/body", body);
    const std::string script = qvtest::sourceDir() + "/config/testdata/http_test_server.py";
    ASSERT_TRUE(qv_platform::startDetached({"python3", script, mode, tree_.path("http"), tree_.path("http/body")}));
    for (int i = 0; i < 1000 && !tree_.exists("http/port"); ++i) qv_platform::sleepMilliseconds(10);
    const std::string port = tree_.read("http/port");
    ASSERT_FALSE(port.empty()) << "test server did not start";
    tree_.write("config/security_options.xml",
                "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" majorVersion=\"1\" minorVersion=\"0\">"
                "<qvs:options><qvs:securityEnabled>true</qvs:securityEnabled><qvs:sessionTimeout>21600"
                "</qvs:sessionTimeout><qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime>"
                "<qvs:minimumPasswordLength>5</qvs:minimumPasswordLength><qvs:useSessionCookies>true"
                "</qvs:useSessionCookies><qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>"
                "<qvs:corvanaAppServerURL>" + (corvanaURL.empty() ? "http://127.0.0.1:" + port + "/topaz" : corvanaURL) +
                    "</qvs:corvanaAppServerURL><qvs:corvanaDatabaseName>c</qvs:corvanaDatabaseName>"
                    "<qvs:corvanaOracleServerName>c</qvs:corvanaOracleServerName><qvs:logLevel>6</qvs:logLevel>"
                    "<qvs:logFileName>../logs/security.log</qvs:logFileName></qvs:options>"
                    "</qvs:security_options>");
    tree_.write(std::string("sessions/") + kSessionID,
                "<qvs:security_session xmlns:qvs=\"urn:tarnel:security:1.0\" majorVersion=\"1\" minorVersion=\"0\">"
                "<qvs:session_data><qvs:emailAddress/><qvs:fullUserName/><qvs:ipAddress/><qvs:lastAccessed>0"
                "</qvs:lastAccessed><qvs:securityEnabled>true</qvs:securityEnabled><qvs:timeout>0</qvs:timeout>"
                "<qvs:userID>12</qvs:userID><qvs:userName>jo</qvs:userName><qvs:userType>2</qvs:userType>"
                "<qvs:verifyAddress>false</qvs:verifyAddress><qvs:custom_parameters/><qvs:permitted_tasks/>"
                "</qvs:session_data></qvs:security_session>");
  }
  qvtest::RunResult probe(const std::vector<std::string>& extra = {}) {
    std::vector<std::string> args = {"--sessionID", kSessionID};
    args.insert(args.end(), extra.begin(), extra.end());
    return tree_.runProgram(qvtest::programPath("qv-sessionprobe"), args);
  }
  qvtest::ServerTree tree_;
};

TEST_F(CorvanaCheck, LoggedInConnectionPasses) {
  start("file", "status\nlogged_in=true\n");
  const qvtest::RunResult r = probe();
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  const std::string requests = tree_.read("http/requests");
  EXPECT_EQ(requests.rfind(
                "GET /topaz/rc?command=page&page=CheckLoginQV&connectionid=jo|corvana_1234&action=check HTTP/1.1\r\n", 0),
            0u)
      << requests;
  const std::string log = tree_.read("logs/security.log");
  EXPECT_NE(log.find(",4884,6,\"\",-1,\"Called qv_security_session::verifyCorvanaConnection - OK\"\n"),
            std::string::npos)
      << log;
}

// The proxy named in the server configuration carries the request: the
// test server plays the proxy and sees the whole address.
TEST_F(CorvanaCheck, ProxyOfTheServerConfigurationIsUsed) {
  start("file", "logged_in=true", "http://corvana.invalid:8080/topaz");
  tree_.write("config/tarnel.dat", "Options\nproxy_server 127.0.0.1:" + tree_.read("http/port") + "\nend\n");
  const qvtest::RunResult r = probe();
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(tree_.read("http/requests")
                .rfind("GET http://corvana.invalid:8080/topaz/rc?command=page&page=CheckLoginQV&connectionid="
                       "jo|corvana_1234&action=check HTTP/1.1\r\n",
                       0),
            0u)
      << tree_.read("http/requests");
}

TEST_F(CorvanaCheck, ExpiredConnectionGivesTheServersReason) {
  start("file", "<html><div class=error>connection 17 expired</div></html>");
  const qvtest::RunResult r = probe();
  EXPECT_EQ(r.status, 10) << r.out;
  EXPECT_NE(r.out.find("message=4377,1,Corvana connection id has probably timed out. Error return is: connection 17 "
                       "expired\nmessage=4357,1,Session has timed out\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(tree_.read("logs/security.log").find(",4357,1,\"jo@corvana_12_34\",12,\"Session has timed out\"\n"),
            std::string::npos);
}

TEST_F(CorvanaCheck, UnreachableServerIsReported) {
  start("refuse", "");
  const qvtest::RunResult r = probe();
  EXPECT_EQ(r.status, 10) << r.out;
  EXPECT_NE(r.out.find("message=4373,2,Failed to contact Corvana server. See previous error in log file.\n"
                       "message=4357,1,Session has timed out\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("message=2308,1,Wininet failure: "), std::string::npos) << r.out;
}

// The time-out bounds the whole check (connection, request and answer): a
// server that accepts and stays silent, and one that answers two bytes a
// second, are both given up once it has passed, as a failed contact (4373).
// The bound leaves a loaded machine five seconds beyond the time-out; a
// limit per byte received would let the trickle run ten times as long.
TEST_F(CorvanaCheck, SilentAndTricklingServersAreGivenUpAtTheTimeOut) {
  constexpr int kTimeout = 2;
  for (const std::string mode : {"hang", "trickle"}) {
    std::filesystem::remove(tree_.path("http/port"));
    std::filesystem::remove(tree_.path("http/requests"));
    start(mode, "");
    const auto began = std::chrono::steady_clock::now();
    const qvtest::RunResult r = probe({"--timeout", std::to_string(kTimeout)});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    EXPECT_LT(seconds, kTimeout + 5.0) << mode;
    EXPECT_EQ(r.status, 10) << mode << r.out;
    EXPECT_NE(r.out.find("message=4373,2,Failed to contact Corvana server. See previous error in log file.\n"
                         "message=4357,1,Session has timed out\n"),
              std::string::npos)
        << mode << r.out;
    EXPECT_NE(r.out.find("calling:curl_easy_perform"), std::string::npos) << mode << r.out;
    EXPECT_NE(tree_.read("http/requests").find("GET /topaz/rc?command=page&page=CheckLoginQV"), std::string::npos)
        << mode << ": the request reached the server";
  }
}

}  // namespace
