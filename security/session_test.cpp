// Sessions end to end: qv-sessionprobe opens a session as the results
// commands do, as a separate process in a temporary server tree with real
// session and options files and the web request in its environment.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/clock.h"
#include "security/qv_session.h"
#include "testsupport/security_documents.h"
#include "testsupport/server_tree.h"

namespace {

using Fields = qvtest::SessionFields;

// A session file as the login side writes it, last accessed now.
std::string sessionXml(const Fields& changes = {}, const std::string& custom = "", const std::string& tasks = "") {
  return qvtest::sessionXml(qv_platform::currentTime(), changes, custom, tasks);
}

std::string task(int id, int type, const std::vector<std::string>& values) {
  std::string x = "<qvs:task><qvs:task_id>" + std::to_string(id) +
                  "</qvs:task_id><qvs:short_desc/><qvs:long_desc/><qvs:task_name/><qvs:type>" +
                  std::to_string(type) + "</qvs:type><qvs:values_array>";
  for (const auto& v : values) x += "<qvs:value>" + v + "</qvs:value>";
  return x + "</qvs:values_array></qvs:task>";
}

using qvtest::optionsXml;

class Session : public ::testing::Test {
 protected:
  void SetUp() override { tree_.write("config/security_options.xml", optionsXml(true)); }
  qvtest::RunResult probe(const std::vector<std::string>& args) {
    return tree_.runProgram(qvtest::programPath("qv-sessionprobe"), args);
  }
  static std::string line(const qvtest::RunResult& r, const std::string& key) {
    const size_t at = r.out.find(key + "=");
    if (at == std::string::npos) return "<none>";
    const size_t end = r.out.find('\n', at);
    return r.out.substr(at + key.size() + 1, end - at - key.size() - 1);
  }
  qvtest::ServerTree tree_;
};

TEST_F(Session, SecurityDisabledSessionIsValidAndNeverWritten) {
  tree_.write("config/security_options.xml", optionsXml(false));
  const qvtest::RunResult r = probe({"--owner", "77"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(line(r, "session"), "all_secdisabledsession");
  EXPECT_EQ(line(r, "user_id"), "0");
  EXPECT_EQ(line(r, "user_type"), "0");
  EXPECT_EQ(line(r, "viewable"), "1");
  EXPECT_FALSE(tree_.exists("sessions/all_secdisabledsession"));
  const qvtest::RunResult set = probe({"--set", "colour", "red"});
  EXPECT_EQ(line(set, "set"), "0");
  EXPECT_NE(set.out.find("message=4362,1,Cannot save parameters in this type of session"), std::string::npos)
      << set.out;
}

TEST_F(Session, NoOptionsFileMeansSecurityDisabled) {
  std::filesystem::remove(tree_.path("config/security_options.xml"));
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "all_secdisabledsession");
}

TEST_F(Session, BrokenOptionsFileRefusesTheSession) {
  tree_.write("config/security_options.xml", optionsXml(true).replace(optionsXml(true).find("21600"), 5, "soon"));
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 11) << r.out;
  EXPECT_NE(r.out.find("message=2049,1,XML library failure with error: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("message=4108,2,Failed to load the main security configuration files"), std::string::npos);
}

// The schema holds sessions too, so a session document validates as an
// options file; without its options element it is a broken options file,
// and a broken options file refuses (security is not left off).
TEST_F(Session, OptionsFileOfAnotherKindRefusesTheSession) {
  tree_.write("config/security_options.xml", sessionXml());
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 11) << r.out;
  EXPECT_EQ(line(r, "valid"), "0");
  EXPECT_NE(r.out.find("message=2049,1,XML library failure with error: ../config/security_options.xml: line 0, col 0 "
                       "- the document is not a security options document (its root element is "
                       "qvs:security_session)\n"
                       "message=4108,2,Failed to load the main security configuration files\n"),
            std::string::npos)
      << r.out;
}

TEST_F(Session, CommandLineSessionIsCreatedOnceAndLoadedAfterwards) {
  const qvtest::RunResult first = probe({});
  EXPECT_EQ(first.status, 0) << first.out << first.err;
  EXPECT_EQ(line(first, "session"), "cmd_cmdlinesession");
  EXPECT_EQ(line(first, "user_id"), "3");
  std::string file = tree_.read("sessions/cmd_cmdlinesession");
  ASSERT_NE(file.find("<qvs:userName>Commandline</qvs:userName>"), std::string::npos) << file;
  EXPECT_NE(file.find("<qvs:fullUserName>Commandline application</qvs:fullUserName>"), std::string::npos);
  file.replace(file.find("<qvs:userID>3<"), 14, "<qvs:userID>77<");
  tree_.write("sessions/cmd_cmdlinesession", file);
  const qvtest::RunResult second = probe({});
  EXPECT_EQ(second.status, 0) << second.out;
  EXPECT_EQ(line(second, "user_id"), "77");
}

TEST_F(Session, CookieIsPercentDecodedAndEndsAtSemicolon) {
  tree_.write("sessions/A/b_1", "");  // a directory "A": never mistaken for the session
  tree_.write("sessions/Ab_1", sessionXml());
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  tree_.setEnv("HTTP_COOKIE", "theme=dark; TARNEL_SESSION=%41b%5f1; other=%2F");
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "Ab_1");
  EXPECT_EQ(line(r, "user_id"), "42");
}

TEST_F(Session, IdentifierThatCouldLeaveTheSessionsDirectoryIsDiscarded) {
  // A valid session file outside sessions/ is never read, whatever the
  // identifier looks like: each is discarded and the command-line session used.
  tree_.write("config/stolen", sessionXml({{"userID", "666"}}));
  tree_.write("sessions/.hidden", sessionXml({{"userID", "667"}}));
  for (const std::string id : {"../config/stolen", "..\\config\\stolen", ".hidden", "cmd\x01", "all_secdisabledsession"}) {
    const qvtest::RunResult r = probe({"--sessionID", id});
    EXPECT_EQ(line(r, "session"), "cmd_cmdlinesession") << id;
    EXPECT_EQ(line(r, "user_id"), "3") << id;
  }
}

TEST_F(Session, CookieWithEncodedSlashIsDiscarded) {
  tree_.write("config/stolen", sessionXml({{"userID", "666"}}));
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  tree_.setEnv("HTTP_COOKIE", "TARNEL_SESSION=%2e%2e%2Fconfig%2fstolen");
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 11) << r.out;
  EXPECT_EQ(line(r, "last_error"), "4360");
  EXPECT_NE(r.out.find("message=4360,1,User is not logged in, so could not create a session \n"), std::string::npos)
      << r.out;
}

TEST_F(Session, TimeoutRefusesAndSuccessfulOpenRewritesLastAccess) {
  const int64_t now = qv_platform::currentTime();
  tree_.write("sessions/old", sessionXml({{"timeout", "60"}, {"lastAccessed", std::to_string(now - 61)}}));
  const qvtest::RunResult old = probe({"--sessionID", "old"});
  EXPECT_EQ(old.status, 10) << old.out;
  EXPECT_NE(old.out.find("message=4357,1,Session has timed out\n"), std::string::npos);
  EXPECT_NE(tree_.read("logs/security.log").find(",4357,1,\"old\",42,\"Session has timed out\"\n"), std::string::npos)
      << tree_.read("logs/security.log");

  tree_.write("sessions/fresh", sessionXml({{"timeout", "60"}, {"lastAccessed", std::to_string(now - 30)}}));
  EXPECT_EQ(probe({"--sessionID", "fresh"}).status, 0);
  const std::string file = tree_.read("sessions/fresh");
  const size_t at = file.find("<qvs:lastAccessed>") + 18;
  EXPECT_GE(std::stoll(file.substr(at)), now);
  EXPECT_NE(file.find("\r\n"), std::string::npos);

  tree_.write("sessions/never", sessionXml({{"timeout", "0"}, {"lastAccessed", "0"}}));
  EXPECT_EQ(probe({"--sessionID", "never"}).status, 0);
}

TEST_F(Session, LogLevelZeroStillRefuses) {
  // Messages above the log level are dropped; refusals must not be.
  std::string options = optionsXml(true);
  options.replace(options.find("<qvs:logLevel>3<"), 16, "<qvs:logLevel>0<");
  tree_.write("config/security_options.xml", options);
  tree_.write("sessions/old", sessionXml({{"timeout", "60"}, {"lastAccessed", "100"}}));
  const qvtest::RunResult r = probe({"--sessionID", "old"});
  EXPECT_EQ(r.status, 10) << r.out;
}

TEST_F(Session, AddressMustMatchWhenVerified) {
  tree_.write("sessions/s1", sessionXml({{"verifyAddress", "true"}, {"ipAddress", "10.1.2.3"}}));
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  const qvtest::RunResult r = probe({"--sessionID", "s1"});
  EXPECT_EQ(r.status, 11);
  EXPECT_EQ(line(r, "last_error"), "4358");
  tree_.write("sessions/s2", sessionXml({{"verifyAddress", "true"}, {"ipAddress", "127.0.0.1"}}));
  EXPECT_EQ(probe({"--sessionID", "s2"}).status, 0);
}

TEST_F(Session, ComputerSessionsAreFoundByAddressAndByName) {
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  tree_.write("sessions/localhost_computername", sessionXml({{"userType", "4"}, {"userID", "8"}}));
  qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "localhost_computername");
  tree_.write("sessions/127.0.0.1_computeripaddress", sessionXml({{"userType", "3"}, {"userID", "9"}}));
  r = probe({});
  EXPECT_EQ(line(r, "session"), "127.0.0.1_computeripaddress");
  EXPECT_EQ(line(r, "user_id"), "9");
  // A computer session named for another computer is refused.
  tree_.write("sessions/10.0.0.9_computeripaddress", sessionXml({{"userType", "3"}}));
  r = probe({"--sessionID", "10.0.0.9_computeripaddress"});
  EXPECT_EQ(r.status, 11);
  EXPECT_NE(r.out.find("message=4369,1,Trying to use session 10.0.0.9_computeripaddress from computer with ip "
                       "address 127.0.0.1 - please contact your administrator\n"),
            std::string::npos)
      << r.out;
}

TEST_F(Session, AgentStringSessionNeedsTheAgent) {
  tree_.write("sessions/Firefox_agentstring", sessionXml({{"userType", "5"}}));
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  const qvtest::RunResult none = probe({"--sessionID", "Firefox_agentstring"});
  EXPECT_EQ(none.status, 11);
  EXPECT_NE(none.out.find("message=4371,1,Trying to use session Firefox_agentstring (USER_AGENT_STRING) when agent "
                          "string is actually  - please contact your administrator\n"),
            std::string::npos)
      << none.out;
  tree_.setEnv("HTTP_USER_AGENT", "Mozilla/5.0 Firefox/115.0");
  const qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "Firefox_agentstring");
}

TEST_F(Session, WebServerLoginSessionBelongsToItsLogin) {
  tree_.write("sessions/alice_webserverauth", sessionXml({{"userType", "6"}}));
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  tree_.setEnv("REMOTE_USER", "DOMAIN\\alice");
  qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "alice_webserverauth");

  qvtest::ServerTree other;
  other.write("config/security_options.xml", optionsXml(true));
  other.write("sessions/alice_webserverauth", sessionXml({{"userType", "6"}}));
  other.setEnv("REMOTE_ADDR", "127.0.0.1");
  other.setEnv("REMOTE_USER", "bob");
  r = other.runProgram(qvtest::programPath("qv-sessionprobe"), {"--sessionID", "alice_webserverauth"});
  EXPECT_EQ(r.status, 11);
  EXPECT_NE(r.out.find("message=4370,1,Trying to use session alice_webserverauth when logged into the web server as "
                       "bob - please contact your administrator\n"),
            std::string::npos)
      << r.out;
}

TEST_F(Session, SecurityLogLineCannotBeForged) {
  tree_.write("sessions/alice_webserverauth", sessionXml({{"userType", "6"}}));
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  tree_.setEnv("REMOTE_USER", "bob\",\"forged\"\r\nMon");
  const qvtest::RunResult r = probe({"--sessionID", "alice_webserverauth"});
  EXPECT_EQ(r.status, 11);
  const std::string log = tree_.read("logs/security.log");
  EXPECT_NE(log.find(",4370,1,\"alice_webserverauth\",42,\"Trying to use session alice_webserverauth when logged "
                     "into the web server as bob\"\",\"\"forged\"\"  Mon - please contact your administrator\"\n"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("\nMon"), std::string::npos);
}

TEST_F(Session, GuestSessionAndNoSession) {
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  qvtest::RunResult r = probe({});
  EXPECT_EQ(r.status, 11);
  EXPECT_EQ(line(r, "last_error"), "4360");
  tree_.write("sessions/guest_guestsession", sessionXml({{"userID", "2"}}));
  r = probe({});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(line(r, "session"), "guest_guestsession");
}

TEST_F(Session, CommandLineSessionFromTheWebIsRefused) {
  EXPECT_EQ(probe({}).status, 0);  // creates it
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  const qvtest::RunResult r = probe({"--sessionID", "cmd_cmdlinesession"});
  EXPECT_EQ(r.status, 11);
  EXPECT_NE(r.out.find("message=4372,1,Trying to use command line session cmd_cmdlinesession from a cgi application "
                       "at ip address 127.0.0.1 - please contact your administrator\n"),
            std::string::npos)
      << r.out;
}

TEST_F(Session, ResultsOfOtherUsersNeedTheirTasks) {
  tree_.write("sessions/plain", sessionXml());
  auto viewable = [&](const std::string& id, int owner) {
    return line(probe({"--sessionID", id, "--owner", std::to_string(owner)}), "viewable");
  };
  EXPECT_EQ(viewable("plain", 5), "1");
  EXPECT_EQ(viewable("plain", 42), "1");
  EXPECT_EQ(viewable("plain", 0), "0");
  EXPECT_EQ(viewable("plain", 8), "0");
  tree_.write("sessions/some", sessionXml({}, "", task(13, 4, {"8", "10"})));
  EXPECT_EQ(viewable("some", 8), "1");
  EXPECT_EQ(viewable("some", 9), "0");
  tree_.write("sessions/all", sessionXml({}, "", task(14, 1, {})));
  EXPECT_EQ(viewable("all", 9), "1");
  EXPECT_EQ(viewable("all", 0), "1");
  tree_.write("sessions/unowned", sessionXml({}, "", task(15, 1, {})));
  EXPECT_EQ(viewable("unowned", 0), "1");
  EXPECT_EQ(viewable("unowned", 9), "0");
}

TEST_F(Session, ParametersAreSavedIntoTheFile) {
  tree_.write("sessions/p", sessionXml({}, "<qvs:param><qvs:paramName>_UserID</qvs:paramName><qvs:paramValue>3"
                                           "</qvs:paramValue></qvs:param>"));
  qvtest::RunResult r = probe({"--sessionID", "p", "--set", "colour", "red & blue"});
  EXPECT_EQ(line(r, "user_id"), "42") << "a custom parameter never stands in for a fixed one";
  EXPECT_EQ(line(r, "set"), "1") << r.out;
  const std::string file = tree_.read("sessions/p");
  EXPECT_NE(file.find("<qvs:paramName>colour</qvs:paramName>"), std::string::npos) << file;
  EXPECT_NE(file.find("<qvs:paramValue>red &amp; blue</qvs:paramValue>"), std::string::npos);
  EXPECT_EQ(probe({"--sessionID", "p"}).status, 0) << "the rewritten file validates";
  r = probe({"--sessionID", "p", "--set", "_UserID", "abc"});
  EXPECT_EQ(line(r, "set"), "0");
  EXPECT_NE(r.out.find("message=4356,1,Can't save the session file p (_UserID cannot hold \"abc\")"),
            std::string::npos)
      << r.out;
  // An invalid session keeps nothing.
  tree_.write("sessions/late", sessionXml({{"timeout", "1"}, {"lastAccessed", "5"}}));
  r = probe({"--sessionID", "late", "--set", "colour", "red"});
  EXPECT_EQ(line(r, "set"), "0");
  EXPECT_NE(r.out.find("message=4361,1,"), std::string::npos) << r.out;
}

// What the probe prints and its exit status tell the state after --owner
// and --set have run: a refused --set leaves the session invalid.
TEST_F(Session, ProbeReportsTheSessionAsItIsAfterARefusedSet) {
  tree_.write("sessions/p", sessionXml());
  qvtest::RunResult r = probe({"--sessionID", "p", "--owner", "42", "--set", "_UserID", "abc"});
  EXPECT_EQ(r.status, 11) << r.out;
  EXPECT_EQ(line(r, "valid"), "0");
  EXPECT_EQ(line(r, "last_error"), "4356");
  EXPECT_EQ(line(r, "viewable"), "1") << "asked before the refused --set";
  EXPECT_EQ(line(r, "set"), "0");
  r = probe({"--sessionID", "p", "--set", "_UserID", "abc", "--quiet"});
  EXPECT_EQ(r.out, "valid=0\n");
  EXPECT_EQ(r.status, 11);
  r = probe({"--sessionID", "p", "--set", "colour", "red", "--quiet"});
  EXPECT_EQ(r.out, "valid=1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(tree_.read("sessions/p").find("<qvs:paramName>colour</qvs:paramName>"), std::string::npos)
      << "--quiet still stores the parameter";
}

TEST_F(Session, FailedSaveKeepsTheOldFileWhole) {
  // With files limited to 1 KiB the rewrite of this 3 KiB session file fails.
  const std::string original = sessionXml({}, "<qvs:param><qvs:paramName>big</qvs:paramName><qvs:paramValue>" +
                                                  std::string(2000, 'x') + "</qvs:paramValue></qvs:param>");
  tree_.write("sessions/big", original);
  const qvtest::RunResult r = tree_.runProgram(
      "/bin/bash", {"-c", "ulimit -f 1; trap '' XFSZ; exec \"$0\" --sessionID big", qvtest::programPath("qv-sessionprobe")});
  EXPECT_EQ(r.status, 11) << r.out << r.err;
  EXPECT_EQ(line(r, "last_error"), "4356");
  EXPECT_NE(r.out.find("message=4356,1,Can't save the session file big (cannot write "), std::string::npos) << r.out;
  EXPECT_EQ(tree_.read("sessions/big"), original);
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(tree_.path("sessions"))) left.push_back(e.path().filename());
  EXPECT_EQ(left, std::vector<std::string>({"big"})) << "no temporary file is left behind";
}

TEST(SessionText, PercentDecoding) {
  EXPECT_EQ(qv_percentDecode("%41"), "A");
  EXPECT_EQ(qv_percentDecode("a%2fb%2Fc"), "a/b/c");
  EXPECT_EQ(qv_percentDecode("ab%4"), "ab4");
  EXPECT_EQ(qv_percentDecode("ab%"), "ab");
  EXPECT_EQ(qv_percentDecode("%zz1"), "%zz1");
}

TEST(SessionText, SafeIdentifiers) {
  EXPECT_TRUE(qv_isSafeSessionIdentifier("user@host_1234"));
  EXPECT_TRUE(qv_isSafeSessionIdentifier("a..b"));
  EXPECT_FALSE(qv_isSafeSessionIdentifier(""));
  EXPECT_FALSE(qv_isSafeSessionIdentifier(".x"));
  EXPECT_FALSE(qv_isSafeSessionIdentifier("a/b"));
  EXPECT_FALSE(qv_isSafeSessionIdentifier("a\\b"));
  EXPECT_FALSE(qv_isSafeSessionIdentifier(std::string("a\nb")));
  EXPECT_FALSE(qv_isSafeSessionIdentifier(std::string("a\x7f")));
}

TEST(SessionText, CorvanaConnectionID) {
  EXPECT_EQ(qv_corvanaConnectionID("jo@db_12_34"), "jo|db_1234");
  EXPECT_EQ(qv_corvanaConnectionID("a@b@c_d"), "a|b@cd");
  EXPECT_EQ(qv_corvanaConnectionID("nouser_1"), std::nullopt);
  EXPECT_EQ(qv_corvanaConnectionID("a@b"), std::nullopt);
}

}  // namespace
