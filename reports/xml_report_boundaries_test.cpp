// The XML report at the edges of its rules: substitutions at the first and
// the last residue (and just outside), the description cut at 40 bytes, and
// the peak list index at each of its cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "reports/xml_report.h"
#include "reports/xml_test_util.h"
#include "summary/summary_test_util.h"

using qvreporttest::linesStartingWith;
using qvreporttest::reportOf;
using qvreporttest::schemaErrors;
using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
using qvsummarytest::match;
using qvsummarytest::ScratchDir;

namespace {

// A search whose query i has one match, PEPTIDEK (eight residues) with the
// i-th "_subst" value, to protein Pi whose description is the i-th text.
FileSpec searchOf(const std::vector<std::string>& substitutions, const std::vector<std::string>& descriptions) {
  FileSpec layout;
  layout.parameters = {"SEARCH=MIS", "ITOL=0.6", "ERRORTOLERANT=0"};
  const size_t queries = std::max(substitutions.size(), descriptions.size());
  for (size_t i = 0; i < queries; ++i) {
    const std::string q = std::to_string(i + 1);
    layout.summary.push_back("qexp" + q + "=500.0,2+");
    layout.summary.push_back("qmatch" + q + "=100");
    layout.peptides.push_back("q" + q + "_p1=" + match("PEPTIDEK", 40, "\"P" + q + "\":0:1:8:1"));
    if (i < substitutions.size()) layout.peptides.push_back("q" + q + "_p1_subst=" + substitutions[i]);
    if (i < descriptions.size()) layout.proteins.push_back("\"P" + q + "\"=1000.0,\"" + descriptions[i] + "\"");
    layout.queries.push_back({"title=query " + q});
  }
  return layout;
}

// The value of attribute `name` in each line of `text` that holds it.
std::vector<std::string> attributeValues(const std::string& text, const std::string& name) {
  std::vector<std::string> values;
  const std::string key = " " + name + "=\"";
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const size_t from = at + key.size();
    values.push_back(text.substr(from, text.find('"', from) - from));
  }
  return values;
}

TEST(XmlReportBoundaries, SubstitutionsApplyFromTheFirstResidueToTheLast) {
  ScratchDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"1,P,A", "AEPTIDEK"},        // the first residue
      {"8,K,R", "PEPTIDER"},        // the last
      {"1,P,A,8,K,R", "AEPTIDER"},  // both
      {"7,E,Q", "PEPTIDQK"},        // the one before the last
      {"0,P,A", "PEPTIDEK"},        // before the first: the list ends
      {"9,K,R", "PEPTIDEK"},        // after the last
      {"8,K,R,9,K,R", "PEPTIDER"},  // the list ends at the first one outside
      {"1,E,A", "PEPTIDEK"},        // the residue named is not the one there
  };
  std::vector<std::string> substitutions;
  for (const auto& c : cases) substitutions.push_back(c.first);
  const std::string text = reportOf(dir.write("r.dat", buildFile(searchOf(substitutions, {}))), "AUTO");
  EXPECT_EQ(schemaErrors(text), "");
  const std::vector<std::string> written = attributeValues(text, "pepStr");
  ASSERT_EQ(written.size(), cases.size()) << text;
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(written[i], cases[i].second) << cases[i].first;
}

TEST(XmlReportBoundaries, AProteinLineTakesTheFirstFortyBytesOfTheDescription) {
  ScratchDir dir;
  const std::string forty = "abcdefghijklmnopqrstuvwxyz0123456789ABCD";
  ASSERT_EQ(forty.size(), 40u);
  const std::vector<std::string> descriptions = {forty.substr(0, 39), forty, forty + "E", forty + " more"};
  const std::string text = reportOf(dir.write("r.dat", buildFile(searchOf({}, descriptions))), "AUTO");
  EXPECT_EQ(schemaErrors(text), "");
  EXPECT_EQ(attributeValues(text, "desc"), (std::vector<std::string>{forty.substr(0, 39), forty, forty, forty}));
}

TEST(XmlReportBoundaries, PeakListIndexAtEachOfItsCases) {
  const std::pair<std::string, int> cases[] = {
      {"1:", 1},  // one leading digit and a colon
      {"0:", 0},
      {":", 9},                      // no leading digits
      {"1", 9},                      // digits to the end
      {"2147483647:x", 2147483647},  // the largest index
      {"2147483648:x", 2147483647},  // saturated
      {"\\5:", 5},                   // a backslash first
      {"x\\7:", 7},
      {"x\\7", 9},       // digits to the end after the backslash
      {"x\\a\\7:", 7},   // the next backslash, two on
      {"x\\\\7:", 9},    // a backslash right after one is passed over
      {"x\\\\\\7:", 7},  // the third of three is found again
  };
  for (const auto& [title, index] : cases) EXPECT_EQ(qv_peakListIndex(title, 9), index) << title;
}

}  // namespace
