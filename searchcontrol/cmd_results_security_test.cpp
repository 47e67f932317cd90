// Who the results commands let through when the security store is set up
// wrongly or carelessly: every doubt refuses. Each test is a web request
// (or a command line) against a task of another user, through
// --result_file_mime, whose answer shows plainly whether results went out.
#include <gtest/gtest.h>

#include <string>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

const std::string kFile = "--gc0p4Jq0M2Yt08jU534c0p\nContent-Type: text/plain\n\nline one\r\nline two\n";

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

}  // namespace
