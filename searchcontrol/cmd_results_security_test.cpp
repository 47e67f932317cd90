// Who the results commands let through when the security store is set up
// wrongly or carelessly: every doubt refuses. Each test is a web request
// (or a command line) against a task of another user, through
// --result_file_mime, whose answer shows plainly whether results went out.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

const std::string kFile = "--gc0p4Jq0M2Yt08jU534c0p\nContent-Type: text/plain\n\nline one\r\nline two\n";

std::string withSecurity(std::string xml, bool enabled) {
  const std::string from = "<qvs:securityEnabled>true</qvs:securityEnabled>";
  const size_t at = xml.find(from);
  if (at != std::string::npos && !enabled) {
    xml.replace(at, from.size(), "<qvs:securityEnabled>false</qvs:securityEnabled>");
  }
  return xml;
}

// A session document validates against the store's schema, but it is not
// an options file: the options are broken, and broken options refuse.
TEST(ResultsSecurity, OptionsFileOfAnotherKindRefusesAWebRequestWithoutSession) {
  ResultsTree t;
  t.securityOn();
  t.write("config/security_options.xml", ResultsTree::sessionXml(42, "", 0, 0));
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 77);
  t.setEnv("REMOTE_ADDR", "127.0.0.1");
  const RunResult r = t.ask("--result_file_mime", id);
  EXPECT_EQ(r.out, "searchcontrol-error=11\n");
  EXPECT_EQ(r.status, 11);
}

// The options decide whether security is on; a session whose own flag says
// it is off sees what its user may see, for owned and unowned tasks alike.
TEST(ResultsSecurity, SessionCannotTurnSecurityOffForItself) {
  ResultsTree t;
  t.securityOn();
  t.write("data/F1.dat", kFile);
  t.write("sessions/mine", withSecurity(ResultsTree::sessionXml(42, "", 0, 0), false));
  t.setEnv("REMOTE_ADDR", "127.0.0.1");
  const struct {
    int owner;
    std::string answer;
  } cases[] = {{77, "searchcontrol-error=11\n"}, {0, "searchcontrol-error=11\n"}, {42, kFile}};
  for (const auto& c : cases) {
    const RunResult r = t.ask("--result_file_mime", t.completed("../data/F1.dat", c.owner), {"--sessionID", "mine"});
    EXPECT_EQ(r.out, c.answer) << "owner " << c.owner;
  }
}

// Any entry named login.pl means the security layer is installed: a link
// that leads nowhere (a script being replaced, say) must not switch the
// session check off.
TEST(ResultsSecurity, LoginScriptThatIsADanglingLinkOrADirectoryStillMeansASessionCheck) {
  for (const std::string kind : {"dangling link", "directory"}) {
    ResultsTree t;
    t.securityOn();
    ASSERT_EQ(::unlink(t.path("cgi/login.pl").c_str()), 0);
    if (kind == "directory") {
      t.write("cgi/login.pl/index", "");
    } else {
      ASSERT_EQ(::symlink("login.pl.new", t.path("cgi/login.pl").c_str()), 0);
    }
    t.write("data/F1.dat", kFile);
    const int64_t id = t.completed("../data/F1.dat", 77);
    t.setEnv("REMOTE_ADDR", "127.0.0.1");
    const RunResult r = t.ask("--result_file_mime", id);
    EXPECT_EQ(r.out, "searchcontrol-error=11\n") << kind;
    EXPECT_EQ(r.status, 11) << kind;
  }
}

// With security off every request gets the security-disabled session: a
// named session file is not read (its time-out or damage does not matter)
// and is never rewritten.
TEST(ResultsSecurity, WithSecurityOffANamedSessionFileIsNeitherReadNorWritten) {
  ResultsTree t;
  t.securityOn();
  t.write("config/security_options.xml", withSecurity(ResultsTree::optionsXml(), false));
  t.write("data/F1.dat", kFile);
  const int64_t id = t.completed("../data/F1.dat", 77);
  t.session("idle", 42, "", 60, 3600);
  t.session("fresh", 42, "", 0, 100);
  t.write("sessions/damaged", "<not a session");
  for (const std::string name : {"idle", "fresh", "damaged"}) {
    const std::string before = t.read("sessions/" + name);
    const RunResult r = t.ask("--result_file_mime", id, {"--sessionID", name});
    EXPECT_EQ(r.out, kFile) << name;
    EXPECT_EQ(r.status, 0) << name;
    EXPECT_EQ(t.read("sessions/" + name), before) << name;
  }
}

}  // namespace
