// Rewriting session files end to end, through qv-sessionprobe run as separate
// processes: identifiers of every length a file name can have, documents at
// the size that can be read back, a session removed (logged out) while
// requests have it open, a file system that cannot exchange files, and the
// modes of the files written.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "security/qv_xml.h"
#include "testsupport/security_documents.h"
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

const std::string kOptions = qvtest::optionsXml(true);

class SessionSave : public ::testing::Test {
 protected:
  void SetUp() override { tree_.write("config/security_options.xml", kOptions); }
  qvtest::RunResult probe(const std::vector<std::string>& args) const {
    return tree_.runProgram(qvtest::programPath("qv-sessionprobe"), args);
  }
  // The probe with the rename fault `fault` on the file named `target`.
  qvtest::RunResult probeWithFault(const std::string& fault, const std::string& target,
                                   const std::vector<std::string>& args) const {
    std::vector<std::string> all = {"LD_PRELOAD=" + qvtest::buildDir() + "/libqv-rename-shim.so",
                                    "ASAN_OPTIONS=verify_asan_link_order=0", "QV_RENAME_FAULT=" + fault,
                                    "QV_RENAME_TARGET=" + target, qvtest::programPath("qv-sessionprobe")};
    all.insert(all.end(), args.begin(), args.end());
    return tree_.runProgram("/usr/bin/env", all);
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

// A session file is rewritten pretty-printed with CR LF, larger than it came.
// One whose rewrite is exactly as large as a document that is read is written
// and read back; one byte more is refused (4356) and the old file kept whole.
TEST_F(SessionSave, ASessionIsRewrittenOnlyWhenItCanBeReadBack) {
  // The size of the program's own rewrite of a session with a padding value
  // of 1000 bytes; the rewrite grows byte for byte with the value.
  tree_.write("sessions/measure", sessionFile({{"padding", std::string(1000, 'x')}}));
  ASSERT_EQ(probe({"--sessionID", "measure"}).status, 0);
  const int64_t measured = static_cast<int64_t>(tree_.read("sessions/measure").size());
  const int64_t limit = static_cast<int64_t>(qv_xml::kMaxDocumentBytes);
  for (int64_t delta : {-1, 0, 1}) {
    const std::string original = sessionFile({{"padding", std::string(1000 + limit + delta - measured, 'x')}});
    ASSERT_LE(static_cast<int64_t>(original.size()), limit) << "the session is read before it is rewritten";
    tree_.write("sessions/big", original);
    const qvtest::RunResult r = probe({"--sessionID", "big"});
    const std::string where = "rewrite of " + std::to_string(limit + delta) + " bytes\n" + r.out.substr(0, 2000);
    if (delta <= 0) {
      EXPECT_EQ(r.status, 0) << where;
      EXPECT_EQ(static_cast<int64_t>(fs::file_size(tree_.path("sessions/big"))), limit + delta) << where;
      const qvtest::RunResult again = probe({"--sessionID", "big"});
      EXPECT_EQ(again.status, 0) << where << "\nread back:\n" << again.out.substr(0, 2000);
    } else {
      EXPECT_EQ(r.status, 11) << where;
      EXPECT_EQ(line(r, "last_error"), "4356") << where;
      EXPECT_NE(r.out.find("message=4356,1,Can't save the session file big (the document would be 16777217 bytes, "
                           "more than the 16777216 that are read)\n"),
                std::string::npos)
          << where;
      EXPECT_TRUE(tree_.read("sessions/big") == original) << where << "\nthe old file is kept whole";
    }
    EXPECT_EQ(sessionNames(), std::vector<std::string>({"big", "measure"})) << where;
  }
}

// A session removed (its user logged out) after a request read it but
// before the request wrote it back is refused, and stays removed. The
// command-line session, which is made when it is missing, is made.
TEST_F(SessionSave, ASessionRemovedJustBeforeItsRewriteIsRefusedAndStaysRemoved) {
  tree_.write("sessions/gone", sessionFile());
  const qvtest::RunResult r = probeWithFault("removed-first", "gone", {"--sessionID", "gone"});
  EXPECT_EQ(r.status, 11) << r.out << r.err;
  EXPECT_EQ(line(r, "last_error"), "4355") << r.out;
  EXPECT_NE(r.out.find("message=4355,1,Can't find the session file requested\n"), std::string::npos) << r.out;
  EXPECT_NE(tree_.read("logs/security.log").find(",4355,1,\"gone\",42,\"Can't find the session file requested\"\n"),
            std::string::npos)
      << tree_.read("logs/security.log");
  EXPECT_EQ(sessionNames(), std::vector<std::string>()) << "the session came back";

  const qvtest::RunResult cmd = probeWithFault("removed-first", "cmd_cmdlinesession", {});
  EXPECT_EQ(cmd.status, 0) << cmd.out << cmd.err;
  EXPECT_EQ(line(cmd, "session"), "cmd_cmdlinesession");
  EXPECT_EQ(sessionNames(), std::vector<std::string>({"cmd_cmdlinesession"}));
}

// Without an exchange of two files a rewrite could bring back a removed
// session, so on such a file system a session is not rewritten at all.
TEST_F(SessionSave, AFileSystemThatCannotExchangeFilesLeavesTheSessionAsItWas) {
  const std::string original = sessionFile();
  tree_.write("sessions/s", original);
  const qvtest::RunResult r = probeWithFault("no-exchange", "s", {"--sessionID", "s"});
  EXPECT_EQ(r.status, 11) << r.out << r.err;
  EXPECT_EQ(line(r, "last_error"), "4356");
  EXPECT_NE(r.out.find("message=4356,1,Can't save the session file s (the file system of ../sessions/ cannot exchange "
                       "two files in one step, and ../sessions/s is not replaced without it (a file removed meanwhile "
                       "would be made again): Invalid argument)\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(tree_.read("sessions/s"), original);
  EXPECT_EQ(sessionNames(), std::vector<std::string>({"s"}));
}

// Web requests open a session again and again while the web scripts remove
// it (log-out). A request that read the session before the removal must not
// write it back afterwards: no removed session may come back. The requests
// of a round start one after another; the session is removed as soon as the
// first has finished, when the others are at different points of their
// work: some have not read the session yet, some are writing it back (a
// session of 600 custom parameters takes a while to write).
TEST_F(SessionSave, LoggedOutSessionsNeverComeBackWhileManyRequestsOpenThem) {
  tree_.setEnv("REMOTE_ADDR", "127.0.0.1");
  std::vector<std::pair<std::string, std::string>> custom;
  for (int i = 0; i < 600; ++i) custom.emplace_back("p" + std::to_string(i), std::string(40, 'v'));
  const std::string file = sessionFile(custom);
  constexpr int kRounds = 8;
  constexpr int kRequests = 4;
  int cameBack = 0;
  std::map<std::string, int> answers;
  for (int round = 0; round < kRounds; ++round) {
    const std::string id = "churn" + std::to_string(round);
    tree_.write("sessions/" + id, file);
    std::vector<qvtest::RunResult> results(kRequests);
    std::vector<std::thread> requests;
    for (int i = 0; i < kRequests; ++i) {
      requests.emplace_back([&, i] { results[i] = probe({"--sessionID", id}); });
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    requests[0].join();
    fs::remove(tree_.path("sessions/" + id));
    for (int i = 1; i < kRequests; ++i) requests[i].join();
    if (tree_.exists("sessions/" + id)) {
      ++cameBack;
      fs::remove(tree_.path("sessions/" + id));
    }
    for (const qvtest::RunResult& r : results) {
      // Valid (opened and written back before the removal), refused as gone
      // (4355: read before the removal) or not logged in (4360: after it).
      const std::string error = line(r, "last_error");
      EXPECT_TRUE((r.status == 0 && error == "0") || (r.status == 11 && (error == "4355" || error == "4360")))
          << r.status << "\n" << r.out << r.err;
      ++answers[error];
    }
  }
  EXPECT_EQ(cameBack, 0) << "of " << kRounds << " removed sessions; requests valid " << answers["0"]
                         << ", refused as gone " << answers["4355"] << ", not logged in " << answers["4360"];
  EXPECT_EQ(sessionNames(), std::vector<std::string>()) << "no temporary file is left";
  EXPECT_GE(answers["0"], kRounds) << "the first request of each round opens its session";
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
