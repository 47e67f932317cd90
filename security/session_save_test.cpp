// Rewriting session files end to end, through qv-sessionprobe run as separate
// processes: identifiers of every length a file name can have, and the modes
// of the files written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/clock.h"
#include "testsupport/server_tree.h"

namespace {

namespace fs = std::filesystem;

// A session file as the login side writes it (no white space between the
// elements), with the custom parameters given as name and value.
std::string sessionFile(const std::vector<std::pair<std::string, std::string>>& custom = {},
                        const std::string& lastAccessed = std::to_string(qv_platform::currentTime())) {
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
      "<qvs:security_session xmlns:qvs=\"urn:tarnel:security:1.0\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\" majorVersion=\"1\" "
      "minorVersion=\"0\"><qvs:session_data><qvs:emailAddress>u@example.invalid</qvs:emailAddress>"
      "<qvs:fullUserName>A User</qvs:fullUserName><qvs:ipAddress>127.0.0.1</qvs:ipAddress><qvs:lastAccessed>" +
      lastAccessed +
      "</qvs:lastAccessed><qvs:securityEnabled>true</qvs:securityEnabled><qvs:timeout>0</qvs:timeout>"
      "<qvs:userID>42</qvs:userID><qvs:userName>user</qvs:userName><qvs:userType>1</qvs:userType>"
      "<qvs:verifyAddress>false</qvs:verifyAddress><qvs:custom_parameters>";
  for (const auto& [name, value] : custom) {
    x += "<qvs:param><qvs:paramName>" + name + "</qvs:paramName><qvs:paramValue>" + value +
         "</qvs:paramValue></qvs:param>";
  }
  return x + "</qvs:custom_parameters><qvs:permitted_tasks/></qvs:session_data></qvs:security_session>";
}

const std::string kOptions =
    "<?xml version=\"1.0\"?>"
    "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\" majorVersion=\"1\" "
    "minorVersion=\"0\"><qvs:options><qvs:securityEnabled>true</qvs:securityEnabled>"
    "<qvs:sessionTimeout>21600</qvs:sessionTimeout><qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime>"
    "<qvs:minimumPasswordLength>5</qvs:minimumPasswordLength><qvs:useSessionCookies>true</qvs:useSessionCookies>"
    "<qvs:verifySessionIPAddress>false</qvs:verifySessionIPAddress>"
    "<qvs:corvanaAppServerURL>http://127.0.0.1:9/topaz</qvs:corvanaAppServerURL>"
    "<qvs:corvanaDatabaseName>corvana</qvs:corvanaDatabaseName>"
    "<qvs:corvanaOracleServerName>corvana</qvs:corvanaOracleServerName><qvs:logLevel>3</qvs:logLevel>"
    "<qvs:logFileName>../logs/security.log</qvs:logFileName></qvs:options></qvs:security_options>";

class SessionSave : public ::testing::Test {
 protected:
  void SetUp() override { tree_.write("config/security_options.xml", kOptions); }
  qvtest::RunResult probe(const std::vector<std::string>& args) const {
    return tree_.runProgram(qvtest::programPath("qv-sessionprobe"), args);
  }
  static std::string line(const qvtest::RunResult& r, const std::string& key) {
    const size_t at = r.out.find(key + "=");
    if (at == std::string::npos) return "<none>";
    const size_t end = r.out.find('\n', at);
    return r.out.substr(at + key.size() + 1, end - at - key.size() - 1);
  }
  // The names in sessions/, so that a temporary file left behind shows.
  std::vector<std::string> sessionNames() const {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(tree_.path("sessions"))) all.push_back(e.path().filename());
    std::sort(all.begin(), all.end());
    return all;
  }
  static std::string octal(fs::perms mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%o", static_cast<unsigned>(mode));
    return text;
  }
  static int64_t lastAccessed(const std::string& file) {
    const size_t at = file.find("<qvs:lastAccessed>");
    return at == std::string::npos ? -1 : std::stoll(file.substr(at + 18));
  }
  qvtest::ServerTree tree_;
};

// The temporary file of a rewrite is named after the session, cut to fit:
// an identifier as long as a file name can be is opened and rewritten.
TEST_F(SessionSave, IdentifiersOfEveryLengthUpToTheLongestFileNameAreOpenedAndRewritten) {
  const int64_t start = qv_platform::currentTime();
  for (size_t length : {244u, 245u, 255u}) {
    const std::string id(length, 's');
    tree_.write("sessions/" + id, sessionFile({}, "100"));
    const qvtest::RunResult r = probe({"--sessionID", id});
    EXPECT_EQ(r.status, 0) << length << " bytes\n" << r.out;
    EXPECT_EQ(line(r, "session"), id) << length;
    EXPECT_GE(lastAccessed(tree_.read("sessions/" + id)), start) << length << ": the file was rewritten";
    EXPECT_EQ(sessionNames(), std::vector<std::string>({id})) << length;
    fs::remove(tree_.path("sessions/" + id));
  }
}

// Session files the program makes are its owner's only, whatever the umask;
// a session file it rewrites keeps the permission bits it had (the login
// side chose them).
TEST_F(SessionSave, ModesOfSessionFilesMadeAndRewritten) {
  const qvtest::RunResult made = tree_.runProgram(
      "/bin/bash", {"-c", "umask 000; exec \"$0\"", qvtest::programPath("qv-sessionprobe")});
  EXPECT_EQ(made.status, 0) << made.out << made.err;
  EXPECT_EQ(octal(fs::status(tree_.path("sessions/cmd_cmdlinesession")).permissions()), "600");
  using P = fs::perms;
  for (const P mode : {P::owner_read | P::owner_write | P::group_read,
                       P::owner_read | P::owner_write | P::group_read | P::others_read}) {
    tree_.write("sessions/s", sessionFile({}, "100"));
    fs::permissions(tree_.path("sessions/s"), mode);
    const qvtest::RunResult r = tree_.runProgram(
        "/bin/bash", {"-c", "umask 077; exec \"$0\" --sessionID s", qvtest::programPath("qv-sessionprobe")});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_GT(lastAccessed(tree_.read("sessions/s")), 100);
    EXPECT_EQ(octal(fs::status(tree_.path("sessions/s")).permissions()), octal(mode));
  }
}

}  // namespace
