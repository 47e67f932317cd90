// Sessions at the edges of their checks, end to end: qv-sessionprobe opens
// each session in a server tree of its own, with the wall clock fixed (the
// fixed-clock library of the build), so that a last access plus timeout can
// be exactly now. Every session type's timeout and client checks, the
// special identifiers, the file named like the security-disabled session,
// the ranges of the numbered parameters and the owners around 5.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "testsupport/security_documents.h"
#include "testsupport/server_tree.h"

namespace {

constexpr int64_t kNow = 1700000000;

using Fields = qvtest::SessionFields;

// A session file as the login side writes it: user 42, type 1, no timeout,
// last accessed now, unless `changes` says otherwise.
std::string sessionXml(const Fields& changes = {}) { return qvtest::sessionXml(kNow, changes); }

using qvtest::optionsXml;

using Env = std::vector<std::pair<std::string, std::string>>;

// A server tree with security on, the clock at kNow and `env` for the web request.
class Tree {
 public:
  explicit Tree(const Env& env = {}, bool securityEnabled = true) {
    tree_.write("config/security_options.xml", optionsXml(securityEnabled));
    tree_.setEnv("LD_PRELOAD", qvtest::buildDir() + "/libqv-fixed-clock.so");
    // A sanitizer runtime wants to come first among the preloaded libraries.
    const char* asan = std::getenv("ASAN_OPTIONS");
    tree_.setEnv("ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
    tree_.setEnv("QV_FIXED_TIME", std::to_string(kNow));
    for (const auto& [name, value] : env) tree_.setEnv(name, value);
  }
  void session(const std::string& id, const Fields& fields) const { tree_.write("sessions/" + id, sessionXml(fields)); }
  qvtest::RunResult probe(const std::vector<std::string>& args) const {
    return tree_.runProgram(qvtest::programPath("qv-sessionprobe"), args);
  }
  const qvtest::ServerTree& files() const { return tree_; }

 private:
  qvtest::ServerTree tree_;
};

std::string line(const qvtest::RunResult& r, const std::string& key) {
  const std::string text = "\n" + r.out;
  const size_t at = text.find("\n" + key + "=");
  if (at == std::string::npos) return "<none>";
  const size_t from = at + key.size() + 2;
  return text.substr(from, text.find('\n', from) - from);
}

// What a probe's answer comes to: 0 valid, else the last message's number.
std::string outcome(const qvtest::RunResult& r) {
  if (r.status == 0) return "valid";
  return "refused " + line(r, "last_error") + " (status " + std::to_string(r.status) + ")";
}

const std::string kTimedOut = "refused 4357 (status 10)";

TEST(SessionBoundaries, ASessionTimesOutOnlyWhenItsLastAccessPlusTimeoutIsBeforeNow) {
  struct Case {
    int64_t timeout;
    int64_t lastAccessed;
    std::string expected;
  };
  const Case cases[] = {
      {60, kNow - 59, "valid"},   {60, kNow - 60, "valid"},  // last access plus timeout is now
      {60, kNow - 61, kTimedOut}, {1, kNow - 1, "valid"},     {1, kNow - 2, kTimedOut}, {0, 0, "valid"},  // no timeout
      {-1, 0, "valid"},           {60, kNow + 3600, "valid"},  // a last access in the future
  };
  for (const Case& c : cases) {
    const Tree tree;
    tree.session("s", {{"timeout", std::to_string(c.timeout)}, {"lastAccessed", std::to_string(c.lastAccessed)}});
    const qvtest::RunResult r = tree.probe({"--sessionID", "s"});
    EXPECT_EQ(outcome(r), c.expected) << "timeout " << c.timeout << ", last access now " << c.lastAccessed - kNow
                                      << "\n"
                                      << r.out << r.err;
    if (c.expected == "valid") {
      // The open is recorded as the last access: exactly now.
      EXPECT_NE(tree.files().read("sessions/s").find("<qvs:lastAccessed>" + std::to_string(kNow) + "<"),
                std::string::npos)
          << tree.files().read("sessions/s");
    }
  }
}

// A session of each type, with the web request its client check accepts.
struct Client {
  int type;
  std::string id;
  Env env;
};

const Client kClients[] = {
    {0, "zero", {}},
    {1, "plain", {{"REMOTE_ADDR", "127.0.0.1"}}},
    {3, "127.0.0.1_computeripaddress", {{"REMOTE_ADDR", "127.0.0.1"}}},
    {4, "localhost_computername", {{"REMOTE_ADDR", "127.0.0.1"}}},
    {5, "Firefox_agentstring", {{"REMOTE_ADDR", "127.0.0.1"}, {"HTTP_USER_AGENT", "Mozilla/5.0 Firefox/115.0"}}},
    {6, "alice_webserverauth", {{"REMOTE_ADDR", "127.0.0.1"}, {"REMOTE_USER", "DOMAIN\\alice"}}},
    {7, "seven", {{"REMOTE_ADDR", "127.0.0.1"}}},
};

TEST(SessionBoundaries, TypesThreeToSixNeverTimeOutAndEveryOtherTypeDoes) {
  for (const Client& c : kClients) {
    const Tree tree(c.env);
    tree.session(
        c.id, {{"userType", std::to_string(c.type)}, {"timeout", "60"}, {"lastAccessed", std::to_string(kNow - 61)}});
    const qvtest::RunResult r = tree.probe({"--sessionID", c.id});
    EXPECT_EQ(outcome(r), c.type >= 3 && c.type <= 6 ? "valid" : kTimedOut) << "type " << c.type << "\n" << r.out;
    // Found from the request alone, the same.
    if (c.type >= 3 && c.type <= 6) {
      EXPECT_EQ(line(tree.probe({}), "session"), c.id) << "type " << c.type;
    }
  }
}

TEST(SessionBoundaries, EachClientTypeIsRefusedFromAnotherClient) {
  struct Case {
    int type;
    std::string id;
    Env env;
    std::string message;  // the refusal's text, after "message="
  };
  const Case cases[] = {
      {3,
       "10.0.0.9_computeripaddress",
       {{"REMOTE_ADDR", "127.0.0.1"}},
       "4369,1,Trying to use session 10.0.0.9_computeripaddress from computer with ip address 127.0.0.1 - please "
       "contact your administrator"},
      {3,
       "127.0.0.1_computeripaddress",
       {},  // not a web request
       "4369,1,Trying to use session 127.0.0.1_computeripaddress from computer with ip address  - please contact "
       "your administrator"},
      {4,
       "otherhost_computername",
       {{"REMOTE_ADDR", "127.0.0.1"}},
       "4369,1,Trying to use session otherhost_computername from computer with ip address 127.0.0.1 - please "
       "contact your administrator"},
      {4,
       "localhost_computername",
       {},
       "4369,1,Trying to use session localhost_computername from computer with ip address  - please contact your "
       "administrator"},
      {5,
       "Firefox_agentstring",
       {{"REMOTE_ADDR", "127.0.0.1"}},
       "4371,1,Trying to use session Firefox_agentstring (USER_AGENT_STRING) when agent string is actually  - "
       "please contact your administrator"},
      {5,
       "Firefox_agentstring",
       {{"REMOTE_ADDR", "127.0.0.1"}, {"HTTP_USER_AGENT", "Mozilla/5.0 Chrome/120"}},
       "4371,1,Trying to use session Firefox_agentstring (USER_AGENT_STRING) when agent string is actually "
       "Mozilla/5.0 Chrome/120 - please contact your administrator"},
      {6,
       "alice_webserverauth",
       {{"REMOTE_ADDR", "127.0.0.1"}, {"REMOTE_USER", "bob"}},
       "4370,1,Trying to use session alice_webserverauth when logged into the web server as bob - please contact "
       "your administrator"},
      {6,
       "alice_webserverauth",
       {{"REMOTE_ADDR", "127.0.0.1"}, {"REMOTE_USER", "alice\\"}},
       "4370,1,Trying to use session alice_webserverauth when logged into the web server as alice\\ - please "
       "contact your administrator"},
      {6,
       "alice_webserverauth",
       {{"REMOTE_ADDR", "127.0.0.1"}},
       "4370,1,Trying to use session alice_webserverauth when logged into the web server as  - please contact your "
       "administrator"},
  };
  for (const Case& c : cases) {
    const Tree tree(c.env);
    tree.session(c.id, {{"userType", std::to_string(c.type)}});
    const qvtest::RunResult r = tree.probe({"--sessionID", c.id});
    EXPECT_EQ(r.status, 11) << c.id << "\n" << r.out;
    EXPECT_NE(r.out.find("message=" + c.message + "\n"), std::string::npos) << c.id << "\n" << r.out;
  }
}

TEST(SessionBoundaries, AVerifiedAddressIsCheckedForEverySessionType) {
  for (const Client& c : kClients) {
    for (const std::string address : {"127.0.0.1", "127.0.0.2", "127.0.0.10", ""}) {
      const Tree tree(c.env);
      tree.session(c.id, {{"userType", std::to_string(c.type)}, {"verifyAddress", "true"}, {"ipAddress", address}});
      const qvtest::RunResult r = tree.probe({"--sessionID", c.id});
      // A session of type 0 has no client: it is opened from the command line.
      const bool web = c.type != 0;
      EXPECT_EQ(outcome(r), !web || address == "127.0.0.1" ? "valid" : "refused 4358 (status 11)")
          << "type " << c.type << ", session address \"" << address << "\"\n"
          << r.out;
    }
  }
}

TEST(SessionBoundaries, TheSharedSessionsNeverTimeOut) {
  {
    const Tree tree(Env{{"REMOTE_ADDR", "127.0.0.1"}});
    tree.session("guest_guestsession", {{"userID", "2"}, {"timeout", "60"}, {"lastAccessed", "0"}});
    const qvtest::RunResult r = tree.probe({});
    EXPECT_EQ(outcome(r), "valid") << r.out;
    EXPECT_EQ(line(r, "session"), "guest_guestsession");
  }
  {
    const Tree tree;
    tree.session("cmd_cmdlinesession", {{"userID", "3"}, {"timeout", "60"}, {"lastAccessed", "0"}});
    const qvtest::RunResult r = tree.probe({});
    EXPECT_EQ(outcome(r), "valid") << r.out;
    EXPECT_EQ(line(r, "session"), "cmd_cmdlinesession");
    // Named like any other session, the same.
    EXPECT_EQ(outcome(tree.probe({"--sessionID", "cmd_cmdlinesession"})), "valid");
  }
  {
    // A session of another name with the same values times out.
    const Tree tree;
    tree.session("guest_guestsession2", {{"userID", "2"}, {"timeout", "60"}, {"lastAccessed", "0"}});
    EXPECT_EQ(outcome(tree.probe({"--sessionID", "guest_guestsession2"})), kTimedOut);
  }
}

TEST(SessionBoundaries, AFileNamedLikeTheSecurityDisabledSessionIsNeverRead) {
  // Planted in sessions/ by someone who may write there: user 666, security on.
  const std::string planted = sessionXml({{"userID", "666"}, {"userType", "1"}});
  struct Case {
    bool securityEnabled;
    Env env;
    std::vector<std::string> args;
    std::string session;  // the session opened instead
    std::string userID;
  };
  const Case cases[] = {
      {true, {}, {"--sessionID", "all_secdisabledsession"}, "cmd_cmdlinesession", "3"},
      {true, {{"REMOTE_ADDR", "127.0.0.1"}, {"HTTP_COOKIE", "TARNEL_SESSION=all_secdisabledsession"}}, {}, "", "-1"},
      {true, {{"REMOTE_ADDR", "127.0.0.1"}, {"HTTP_COOKIE", "TARNEL_SESSION=all%5fsecdisabledsession"}}, {}, "", "-1"},
      {false, {}, {"--sessionID", "all_secdisabledsession"}, "all_secdisabledsession", "0"},
      {false,
       {{"REMOTE_ADDR", "127.0.0.1"}, {"HTTP_COOKIE", "TARNEL_SESSION=all_secdisabledsession"}},
       {},
       "all_secdisabledsession",
       "0"},
      {false, {}, {}, "all_secdisabledsession", "0"},
  };
  for (const Case& c : cases) {
    const Tree tree(c.env, c.securityEnabled);
    tree.files().write("sessions/all_secdisabledsession", planted);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--owner", "666"});
    const qvtest::RunResult r = tree.probe(args);
    const std::string what = std::string(c.securityEnabled ? "security on" : "security off") + "\n" + r.out;
    EXPECT_EQ(line(r, "session"), c.session) << what;
    EXPECT_EQ(line(r, "user_id"), c.userID) << what;
    if (c.session.empty()) {
      EXPECT_EQ(outcome(r), "refused 4360 (status 11)") << what;
    }
    EXPECT_EQ(r.out.find("user_id=666"), std::string::npos) << what;
    EXPECT_EQ(tree.files().read("sessions/all_secdisabledsession"), planted) << "never written either";
  }
}

TEST(SessionBoundaries, NumberedParametersTakeTheValuesTheirFileCanHoldAndNoOthers) {
  // What is saved must open again: the file's schema holds the timeout and
  // the last access as 64-bit numbers, the user id and type as 32-bit ones.
  struct Case {
    std::string name;
    std::string value;
    bool saved;
  };
  const Case cases[] = {
      {"_Timeout", "9223372036854775807", true},
      {"_Timeout", "9223372036854775808", false},
      {"_Timeout", "-9223372036854775808", true},
      {"_Timeout", "-9223372036854775809", false},
      {"_Timeout", "+9223372036854775807", true},
      {"_Timeout", "99999999999999999999", false},
      {"_LastAccessed", "9223372036854775807", true},
      {"_LastAccessed", "9223372036854775808", false},
      {"_LastAccessed", "-9223372036854775808", true},
      {"_LastAccessed", "-9223372036854775809", false},
      {"_UserID", "2147483647", true},
      {"_UserID", "2147483648", false},
      {"_UserID", "-2147483648", true},
      {"_UserID", "-2147483649", false},
      {"_UserType", "2147483647", true},
      {"_UserType", "2147483648", false},
  };
  for (const Case& c : cases) {
    const Tree tree;
    tree.session("s", {});
    const qvtest::RunResult set = tree.probe({"--sessionID", "s", "--set", c.name, c.value});
    EXPECT_EQ(line(set, "set"), c.saved ? "1" : "0") << c.name << " " << c.value << "\n" << set.out;
    const bool inFile = tree.files().read("sessions/s").find(">" + c.value + "<") != std::string::npos;
    EXPECT_EQ(inFile, c.saved) << c.name << " " << c.value << "\n" << tree.files().read("sessions/s");
    if (!c.saved) {
      EXPECT_NE(set.out.find("message=4356,1,Can't save the session file s (" + c.name + " cannot hold \"" + c.value +
                             "\")\n"),
                std::string::npos)
          << set.out;
    }
    // Whatever was or was not saved, the file opens again (a timeout or
    // a last access at either end of the range may make it time out).
    const qvtest::RunResult again = tree.probe({"--sessionID", "s"});
    EXPECT_TRUE(outcome(again) == "valid" || outcome(again) == kTimedOut) << c.name << " " << c.value << "\n"
                                                                          << again.out;
    EXPECT_EQ(again.out.find("message=4355,"), std::string::npos) << again.out;
  }
}

TEST(SessionBoundaries, ResultsOfTheOwnersAroundFiveAndOfAnyOwnerForTheCommandLineUser) {
  const Tree tree;
  tree.session("plain", {});  // user 42, no tasks
  const std::pair<int, std::string> owners[] = {{4, "0"}, {5, "1"}, {6, "0"}, {41, "0"}, {42, "1"}, {43, "0"}};
  for (const auto& [owner, viewable] : owners)
    EXPECT_EQ(line(tree.probe({"--sessionID", "plain", "--owner", std::to_string(owner)}), "viewable"), viewable)
        << owner;
  // The command-line user (user id 3) may do everything.
  for (int owner : {0, 4, 9}) EXPECT_EQ(line(tree.probe({"--owner", std::to_string(owner)}), "viewable"), "1") << owner;
}

}  // namespace
