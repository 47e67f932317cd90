// A web request's session is rewritten when the results commands open it:
// through --result_file_mime, a session named by the longest identifier a
// file name allows is served, and one removed (logged out) between its
// reading and its rewrite is refused and stays removed.
#include <gtest/gtest.h>

#include <string>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

const std::string kFile = "--gc0p4Jq0M2Yt08jU534c0p\nContent-Type: text/plain\n\nline one\r\nline two\n";

// The web request of the session `id` (by its cookie), with `extra` added.
std::vector<std::pair<std::string, std::string>> webRequest(const std::string& id,
                                                            std::vector<std::pair<std::string, std::string>> extra = {}) {
  extra.emplace_back("REMOTE_ADDR", "127.0.0.1");
  extra.emplace_back("HTTP_COOKIE", "TARNEL_SESSION=" + id);
  return extra;
}

TEST(SessionRewrite, SessionsNamedByIdentifiersUpToTheLongestFileNameServeTheirResults) {
  ResultsTree t;
  t.securityOn();
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 42);
  for (size_t length : {244u, 245u, 255u}) {
    const std::string session(length, 'w');
    t.session(session, 42, "", 0, 5);
    const std::string before = t.read("sessions/" + session);
    const RunResult r = t.runWithEnv(webRequest(session), {"--result_file_mime", "--taskID", std::to_string(id)});
    EXPECT_EQ(r.out, kFile) << length << " bytes";
    EXPECT_EQ(r.status, 0) << length;
    EXPECT_NE(t.read("sessions/" + session), before) << length << ": the last access is written";
  }
}

TEST(SessionRewrite, ASessionLoggedOutWhileTheRequestHasItOpenIsRefusedAndStaysRemoved) {
  ResultsTree t;
  t.securityOn();
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 42);
  t.session("leaving", 42);
  // The fault library removes the session just before the request puts its
  // rewrite in place, as a log-out at that moment would.
  const RunResult r = t.runWithEnv(webRequest("leaving", {{"LD_PRELOAD", qvtest::buildDir() + "/libqv-rename-shim.so"},
                                                          {"ASAN_OPTIONS", "verify_asan_link_order=0"},
                                                          {"QV_RENAME_FAULT", "removed-first"},
                                                          {"QV_RENAME_TARGET", "leaving"}}),
                                   {"--result_file_mime", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
  EXPECT_FALSE(t.exists("sessions/leaving")) << "the logged-out session came back";
  EXPECT_NE(t.read("logs/security.log").find(",4355,1,\"leaving\",42,\"Can't find the session file requested\"\n"),
            std::string::npos)
      << t.read("logs/security.log");
}

}  // namespace
