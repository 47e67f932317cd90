// The peptide summary over small files written here. Scores and thresholds
// are worked out by hand in the comments: ITOL 0.6 gives the tolerance term
// sqrt(0.6^2 + 0.0625) = 0.65; 20000 sequences give the protein threshold
// trunc(10 log10(20000 * 20)) = 56.
#include "summary/qv_peptidesummary.h"

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "summary/summary_test_util.h"

using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
using qvsummarytest::match;
using qvsummarytest::ScratchDir;

namespace {

std::vector<int> errorNumbers(const qv_resultsfile& f) {
  std::vector<int> out;
  for (int i = 1; i <= f.getNumberOfErrors(); ++i) out.push_back(f.getErrorNumber(i));
  return out;
}

std::vector<std::string> hitAccessions(const qv_summary& s) {
  std::vector<std::string> out;
  for (int n = 1; n <= s.getNumberOfHits(); ++n) out.push_back(s.getHit(n)->getAccession());
  return out;
}

// qmatch and plughole of `count` queries, each with an empty query section.
void addQueries(FileSpec& layout, const std::vector<std::pair<double, double>>& qmatchPlughole) {
  for (size_t i = 0; i < qmatchPlughole.size(); ++i) {
    std::string q = std::to_string(i + 1);
    layout.summary.push_back("qexp" + q + "=500.0,2+");
    layout.summary.push_back("qmatch" + q + "=" + std::to_string(qmatchPlughole[i].first));
    layout.summary.push_back("qplughole" + q + "=" + std::to_string(qmatchPlughole[i].second));
    layout.queries.push_back({"title=q" + q, "num_vals=10"});
  }
}

class PeptideSummaryTest : public ::testing::Test {
 protected:
  std::unique_ptr<qv_resultsfile> open(const FileSpec& layout) {
    auto file = std::make_unique<qv_resultsfile>(dir_.write("r.dat", buildFile(layout)));
    EXPECT_TRUE(file->isValid()) << file->getLastErrorString();
    return file;
  }
  ScratchDir dir_;
};

TEST_F(PeptideSummaryTest, ProbabilityCutoffBecomesTheIdentityThresholdOfEachQuery) {
  FileSpec layout;
  addQueries(layout, {{400, 10}, {1000, 10}});
  // trunc(10 log10(400 * 20 * 0.05)) = trunc(26.02) = 26; qmatch 1000: trunc(30) = 30.
  layout.peptides = {"q1_p1=" + match("AAAAAK", 26.5, "\"P1\":0:1:6:1"),
                   "q2_p1=" + match("CCCCCK", 29.99, "\"P2\":0:1:6:1")};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.05, 0, std::nullopt);
  EXPECT_EQ(s.getIonsScoreCutoff(1), 26);
  EXPECT_EQ(s.getIonsScoreCutoff(2), 30);
  // 26.5 is above 26: its protein is read; 29.99 is not above 30.
  EXPECT_NE(s.getProtein("P1"), nullptr);
  EXPECT_EQ(s.getProtein("P2"), nullptr);
  const qv_peptide* p = nullptr;
  ASSERT_TRUE(s.getPeptide(2, 1, p));
  EXPECT_EQ(p->getNumProteins(), 0);
}

TEST_F(PeptideSummaryTest, EqualScoresShareTheirPrettyRankAndAScoreOfZeroKeepsItsOwn) {
  FileSpec layout;
  addQueries(layout, {{400, 10}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 40, "\"P1\":0:1:6:1"), "q1_p2=" + match("CCCCCK", 40, "\"P1\":0:9:14:1"),
                   "q1_p3=" + match("DDDDDK", 38, "\"P1\":0:20:25:1"),
                   "q1_p4=" + match("EEEEEK", 38, "\"P1\":0:30:35:1"), "q1_p5=" + match("FFFFFK", 0, ""),
                   "q1_p6=" + match("GGGGGK", 0, ""), "q1_p7=-1"};
  auto file = open(layout);
  qv_peptidesummary s(*file, 0, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  const int expected[] = {1, 1, 3, 3, 5, 6, 7};
  for (int p = 1; p <= 7; ++p) {
    const qv_peptide* peptide = nullptr;
    ASSERT_TRUE(s.getPeptide(1, p, peptide)) << p;
    EXPECT_EQ(peptide->getPrettyRank(), expected[p - 1]) << p;
  }
  const qv_peptide* none = nullptr;
  EXPECT_FALSE(s.getPeptide(1, 8, none));
  EXPECT_FALSE(s.getPeptide(2, 1, none));
  EXPECT_FALSE(s.getPeptide(1, 11, none));
  EXPECT_EQ(file->getLastError(), qv_resultsfile::ERR_NO_PEPTIDE);
  EXPECT_EQ(file->getErrorString(1),
            "Could not retrieve peptide. Requested query 1, hit 8 in function qv_peptidesummary::getPeptide");
}

// P1 holds two matches of query 1 with different sequences (code 1) and one of query 2.
FileSpec duplicateFile() {
  FileSpec layout;
  addQueries(layout, {{400, 20}, {1000, 35}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 50, "\"P1\":0:1:6:1"),
                   "q1_p2=" + match("CCCCCK", 45, "\"P1\":0:9:14:1"),
                   "q2_p1=" + match("DDDDDK", 30, "\"P1\":0:20:25:2")};
  return layout;
}

TEST_F(PeptideSummaryTest, CodeOneDuplicateIsRemovedWhenGrouping) {
  auto file = open(duplicateFile());
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  const qv_protein* p1 = s.getProtein("P1");
  ASSERT_NE(p1, nullptr);
  ASSERT_EQ(p1->getNumPeptides(), 2);
  EXPECT_EQ(p1->getPeptideQuery(1), 1);
  EXPECT_EQ(p1->getPeptideP(1), 1);
  EXPECT_EQ(p1->getPeptideQuery(2), 2);
  // Plain sum: 50 + (30 - 10 log10(2) * 0.65) = 50 + 28.04330 = 78.04330.
  EXPECT_NEAR(p1->getPeptideScore(2), 30 - 10 * std::log10(2.0) * 0.65, 1e-9);
  EXPECT_NEAR(p1->getScore(), 78.0433, 1e-4);
}

TEST_F(PeptideSummaryTest, WithoutGroupingTheDuplicateStaysMarked) {
  auto file = open(duplicateFile());
  qv_peptidesummary s(*file, 0, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  const qv_protein* p1 = s.getProtein("P1");
  ASSERT_EQ(p1->getNumPeptides(), 3);
  EXPECT_EQ(p1->getPeptideDuplicateFlags(2), 1);
  EXPECT_EQ(p1->getPeptideDuplicateStatus(1), qv_protein::DUP_HAS_DUPLICATES);
  EXPECT_EQ(p1->getPeptideDuplicateStatus(2), qv_protein::DUP_SAME_QUERY);
  EXPECT_EQ(p1->getPeptideDuplicateStatus(3), qv_protein::DUP_NONE);
  // Only code 0 counts: 50 + 28.0433; the code-1 reference adds nothing.
  EXPECT_NEAR(p1->getScore(), 78.0433, 1e-4);
}

TEST_F(PeptideSummaryTest, ThresholdScoreSumsTheExcessOverEachThreshold) {
  auto file = open(duplicateFile());
  qv_peptidesummary s(*file, 0x41, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  // Query 1: identity trunc(10 log10(400)) = 26, plughole 20 is not above it:
  // homology 20. Query 2: identity 30, plughole 35 is above it: threshold 30.
  EXPECT_EQ(s.getHomologyThreshold(1, 20), 20);
  EXPECT_EQ(s.getHomologyThreshold(2, 20), 0);
  // (50 - 20) + (30 - 30) + (20 + 30) / 2 = 55.
  EXPECT_DOUBLE_EQ(s.getProtein("P1")->getScore(), 55);
}

TEST_F(PeptideSummaryTest, ThresholdsAndExpectations) {
  FileSpec layout;
  addQueries(layout, {{400, 20}, {1000, 35}, {0, 0}});
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(s.getPeptideIdentityThreshold(1, 20), 26);
  EXPECT_EQ(s.getPeptideIdentityThreshold(1, 5), 23);  // raised to 10: trunc(10 log10(200)) = 23
  EXPECT_EQ(s.getPeptideIdentityThreshold(3, 20), -1);
  EXPECT_EQ(s.getAvePeptideIdentityThreshold(20), 28);  // mean qmatch 700: trunc(28.45)
  EXPECT_EQ(s.getMaxPeptideIdentityThreshold(20), 30);
  EXPECT_EQ(s.getProbabilityScoreCutoff(20), 28);
  EXPECT_EQ(s.getProteinThreshold(20), 56);
  EXPECT_EQ(s.getSingleQueryThreshold(20), 0);  // more than one query
  EXPECT_EQ(s.getOneInXFromScore(0), 1);
  EXPECT_EQ(s.getOneInXFromScore(30), 1000);
  EXPECT_DOUBLE_EQ(s.getPeptideExpectationValue(0, 1), 20);
  EXPECT_DOUBLE_EQ(s.getPeptideExpectationValue(20, 1), 0.2);
  EXPECT_DOUBLE_EQ(s.getPeptideExpectationValue(20, 3), 0);
  EXPECT_DOUBLE_EQ(s.getInversePeptideExpectation(20, 1), 5);
  EXPECT_DOUBLE_EQ(s.getInversePeptideExpectation(20, 3), 0);
  EXPECT_DOUBLE_EQ(s.getProteinExpectationValue(30), 20);
  EXPECT_DOUBLE_EQ(s.getProteinExpectationValue(0), 0);
  EXPECT_DOUBLE_EQ(s.getInverseProteinExpectation(30), 0.05);
}

TEST_F(PeptideSummaryTest, HomologyThresholdNeedsManySequencesNoErrorToleranceAndNoTag) {
  FileSpec layout;
  addQueries(layout, {{400, 20}, {400, 20}});
  layout.queries[1].push_back("Tag1=1,2");
  {
    auto file = open(layout);
    qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
    EXPECT_EQ(s.getHomologyThreshold(1, 20), 20);
    EXPECT_EQ(s.getHomologyThreshold(2, 20), 0);
  }
  layout.header = {"sequences=1000", "sequences_after_tax=1000", "version=2.1"};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(s.getHomologyThreshold(1, 20), 0);
}

TEST_F(PeptideSummaryTest, SingleQueryThreshold) {
  FileSpec layout;
  addQueries(layout, {{400, 20}});
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(s.getSingleQueryThreshold(20), 20);  // 20 is not above 56
}

TEST_F(PeptideSummaryTest, EqualScoresOrderByAccessionsNaturally) {
  FileSpec layout;
  addQueries(layout, {{400, 10}, {400, 10}, {400, 10}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 40, "\"P10\":0:1:6:1"),
                   "q2_p1=" + match("CCCCCK", 40, "\"P9\":0:1:6:1"),
                   "q3_p1=" + match("DDDDDK", 40, "\"Q1\":0:1:6:1")};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"Q1", "P9", "P10"}));
  EXPECT_EQ(s.getHit(1)->getHitNumber(), 1);
  EXPECT_EQ(s.getHit(3)->getHitNumber(), 3);
  EXPECT_EQ(s.getHit(4), nullptr);
  EXPECT_EQ(s.getHit(0), nullptr);
  EXPECT_EQ(s.getProteinListText(1, 1, false), "3:P10  ");
  EXPECT_EQ(s.getProteinListText(3, 1, true), "1:\"Q1\" ");
  EXPECT_DOUBLE_EQ(s.getHitTableValue(1), 40);
  EXPECT_DOUBLE_EQ(s.getHitTableValue(4), -1);
}

// A (x, y, z), B (x, y): subset; C (x, y, z): same set; D (x, GK): subset
// only when "GK" is too short to count.
FileSpec groupingFile() {
  FileSpec layout;
  addQueries(layout, {{400, 10}, {400, 10}, {400, 10}, {400, 10}});
  layout.peptides = {
      "q1_p1=" + match("XXXXXK", 60, "\"A\":0:1:6:1,\"B\":0:1:6:1,\"C\":0:1:6:1,\"D\":0:1:6:1"),
      "q2_p1=" + match("YYYYYK", 50, "\"A\":0:7:12:1,\"B\":0:7:12:1,\"C\":0:7:12:1"),
      "q3_p1=" + match("ZZZZZK", 40, "\"A\":0:13:18:1,\"C\":0:13:18:1"),
      "q4_p1=" + match("GK", 5, "\"D\":0:20:21:1"),
  };
  return layout;
}

TEST_F(PeptideSummaryTest, GroupingMakesSubsetsAndSameSets) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  // A and C both score 150 (A first by text order), D 65, B 110.
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"A", "D"}));
  EXPECT_EQ(s.getProtein("B")->getStatus(), qv_protein::SUBSET);
  EXPECT_EQ(s.getProtein("C")->getStatus(), qv_protein::SAMESET);
  EXPECT_EQ(s.getProtein("C")->getGroupLeaderAccession(), "A");
  EXPECT_EQ(s.getNumberOfGroupedProteins(1), 2);
  EXPECT_EQ(s.getGroupedProtein(1, 1)->getAccession(), "C");
  EXPECT_EQ(s.getGroupedProtein(1, 2)->getAccession(), "B");
  EXPECT_EQ(s.getGroupedProtein(1, 3), nullptr);
  EXPECT_EQ(s.getNumberOfGroupedProteins(2), 0);
  EXPECT_EQ(s.getProtein("B")->getHitNumber(), 0);
  EXPECT_EQ(s.getProteinListText(1, 1, false), "1:A  0:B  0:C  2:D  ");
}

TEST_F(PeptideSummaryTest, MinimumPeptideLengthDecidesWhatCountsInGrouping) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 3, std::nullopt);
  EXPECT_EQ(s.getProtein("D")->getStatus(), qv_protein::SUBSET);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"A"}));
}

TEST_F(PeptideSummaryTest, FlagFourCountsGroupedProteinsAsHits) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 5, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"A", "C", "B", "D"}));
}

TEST_F(PeptideSummaryTest, BoldAndRedGoToTheFirstHitThatClaimsAPeptide) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 5, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  const qv_protein* a = s.getHit(1);
  const qv_protein* c = s.getHit(2);
  EXPECT_TRUE(a->getPeptideIsBold(1));
  EXPECT_TRUE(a->getPeptideIsRed(1));
  EXPECT_FALSE(c->getPeptideIsBold(1));
  EXPECT_FALSE(c->getPeptideIsRed(1));
  const qv_peptide* x = nullptr;
  ASSERT_TRUE(s.getPeptide(1, 1, x));
  EXPECT_EQ(x->getClaimingHit(), 1);
  EXPECT_FALSE(a->getPeptideIsBold(0));
  EXPECT_FALSE(a->getPeptideIsRed(9));
}

TEST_F(PeptideSummaryTest, AClaimedRankOneOfTheSameQueryTakesAwayBoldAndRed) {
  FileSpec layout;
  addQueries(layout, {{400, 10}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 60, "\"P1\":0:1:6:1"),
                   "q1_p2=" + match("CCCCCK", 50, "\"P2\":0:1:6:1")};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  ASSERT_EQ(hitAccessions(s), (std::vector<std::string>{"P1", "P2"}));
  EXPECT_TRUE(s.getHit(1)->getPeptideIsRed(1));
  // P2's peptide is unclaimed but its query's rank 1 is claimed by hit 1.
  EXPECT_FALSE(s.getHit(2)->getPeptideIsBold(1));
  EXPECT_FALSE(s.getHit(2)->getPeptideIsRed(1));
}

TEST_F(PeptideSummaryTest, FlagEightDropsAHitWithoutAnUnclaimedRankOne) {
  FileSpec layout;
  addQueries(layout, {{400, 10}, {400, 10}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 60, "\"P1\":0:1:6:1"),
                   "q1_p2=" + match("CCCCCK", 50, "\"P2\":0:1:6:1"),
                   "q2_p1=" + match("DDDDDK", 20, "\"P3\":0:1:6:1")};
  auto file = open(layout);
  qv_peptidesummary with(*file, 9, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(hitAccessions(with), (std::vector<std::string>{"P1", "P3"}));
  EXPECT_EQ(with.getProtein("P3")->getHitNumber(), 2);
  qv_peptidesummary without(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(hitAccessions(without), (std::vector<std::string>{"P1", "P2", "P3"}));
}

TEST_F(PeptideSummaryTest, AccessionFilterKeepsOneProtein) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::string("C"));
  EXPECT_EQ(s.getNumberOfProteins(), 1);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"C"}));
  const qv_peptide* x = nullptr;
  ASSERT_TRUE(s.getPeptide(1, 1, x));
  EXPECT_EQ(x->getNumProteins(), 1);
}

TEST_F(PeptideSummaryTest, UnsupportedVersionIsFlaggedButBuilt) {
  FileSpec layout = groupingFile();
  layout.header = {"sequences=20000", "sequences_after_tax=20000", "version=1.01.3"};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_TRUE(s.isUnsupportedVersion());
  EXPECT_EQ(errorNumbers(*file), std::vector<int>{25});
  EXPECT_EQ(file->getLastErrorString(), "Unsupported results file (Version 1.01.3). Parser requires 1.02 or later");
  EXPECT_EQ(s.getNumberOfHits(), 2);
}

TEST_F(PeptideSummaryTest, AGivenUnigeneFileIsReportedAndLeftOut) {
  auto file = open(groupingFile());
  qv_peptidesummary s(*file, 1, 0.0, 50, std::string("genes.idx"), 0.0, 0, std::nullopt);
  EXPECT_EQ(errorNumbers(*file), std::vector<int>{23});
  EXPECT_EQ(file->getLastErrorString(), "Failed to open the unigene file genes.idx");
  EXPECT_EQ(s.getNumberOfHits(), 2);
}

TEST_F(PeptideSummaryTest, HitsBeyondFiftyStopAtMaximumAndMinimumScore) {
  FileSpec layout;
  std::vector<std::pair<double, double>> queries(60, {400, 10});
  addQueries(layout, queries);
  // Protein Pn (n from 1) matches query n with score 100 - n.
  for (int n = 1; n <= 60; ++n)
    layout.peptides.push_back("q" + std::to_string(n) + "_p1=" +
                            match("AAAAAK" + std::string(static_cast<size_t>(n), 'G'), 100 - n,
                                  "\"P" + std::to_string(n) + "\":0:1:6:1"));
  auto file = open(layout);
  // Maximum 1: the first 50 are numbered all the same.
  EXPECT_EQ(qv_peptidesummary(*file, 1, 0.0, 1, std::nullopt, 0.0, 0, std::nullopt).getNumberOfHits(), 50);
  EXPECT_EQ(qv_peptidesummary(*file, 1, 0.0, 55, std::nullopt, 0.0, 0, std::nullopt).getNumberOfHits(), 55);
  EXPECT_EQ(qv_peptidesummary(*file, 1, 0.0, 999999, std::nullopt, 0.0, 0, std::nullopt).getNumberOfHits(), 60);
  // A minimum score of 45 keeps P51 to P55 (scores 49 to 45) beyond the 50th.
  EXPECT_EQ(qv_peptidesummary(*file, 1, 45.0, 999999, std::nullopt, 0.0, 0, std::nullopt).getNumberOfHits(), 55);
  // Probability 0.05: the average identity threshold 26.
  qv_peptidesummary s(*file, 1, 0.05, 999999, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_DOUBLE_EQ(s.getMinScore(), 26);
  EXPECT_EQ(s.getNumberOfHits(), 60);
}

TEST_F(PeptideSummaryTest, ModificationTextNamesTheVariableModifications) {
  FileSpec layout;
  addQueries(layout, {{400, 10}});
  layout.peptides = {"q1_p1=" + match("MAMK", 40, "\"P1\":0:1:4:1", "010100"),
                   "q1_p1_et_mods=0.984016,0.000000,Deamidation (NQ)"};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(s.getModificationText(1, 1, 2), "2 Oxidation (M); Deamidation (NQ) [+0.98]");
  EXPECT_EQ(s.getErrTolModName(1, 1), "Deamidation (NQ)");
  EXPECT_DOUBLE_EQ(s.getErrTolModDelta(1, 1), 0.984016);
  EXPECT_EQ(s.getModificationText(1, 2, 2), "");
}

}  // namespace

namespace {

// An error-tolerant search of three queries whose parent is `parentName`.
FileSpec errorTolerantChild(const std::string& parentName) {
  FileSpec layout;
  layout.parameters = {"SEARCH=MIS", "ITOL=0.6", "ERRORTOLERANT=1", "_errortolerantsearchparent=" + parentName};
  addQueries(layout, {{400, 10}, {400, 10}, {400, 10}});
  layout.peptides = {"q1_p1=" + match("AAAAAK", 40, "\"P1\":0:1:6:1"),
                   "q2_p1=" + match("CCCCCK", 60, "\"P2\":0:1:6:1"),
                   "q3_p1=" + match("DDDDDK", 20, "\"P3\":0:1:6:1")};
  return layout;
}

TEST_F(PeptideSummaryTest, ErrorTolerantMatchesAreCheckedAgainstTheParent) {
  FileSpec parent;
  addQueries(parent, {{400, 10}, {400, 10}, {400, 10}});
  parent.peptides = {"q1_p1=" + match("AAAAAK", 50, "\"P1\":0:1:6:1"),
                     "q2_p1=" + match("CCCCCK", 45, "\"P2\":0:1:6:1"),
                     "q3_p1=" + match("EEEEEK", 10, "\"P3\":0:1:6:1")};
  dir_.write("parent.dat", buildFile(parent));
  auto file = open(errorTolerantChild("parent.dat"));
  qv_peptidesummary s(*file, 0x11, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  // q1: 40 is below the parent's 50; q2: 60 is not below 45 nor below the
  // identity threshold 26; q3: 20 is not below the parent's 10 but below 26.
  EXPECT_EQ(s.getProtein("P1"), nullptr);
  EXPECT_NE(s.getProtein("P2"), nullptr);
  EXPECT_EQ(s.getProtein("P3"), nullptr);
  EXPECT_TRUE(errorNumbers(*file).empty());
  // Without flag 0x10 nothing is checked.
  qv_peptidesummary plain(*file, 0x1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(plain.getNumberOfProteins(), 3);
}

TEST_F(PeptideSummaryTest, AQueryThatTheParentDidNotMatchPasses) {
  FileSpec parent;
  addQueries(parent, {{400, 10}, {400, 10}, {400, 10}});
  dir_.write("parent.dat", buildFile(parent));
  auto file = open(errorTolerantChild("parent.dat"));
  // A cut-off of 10: q3's 20 is not below it.
  qv_peptidesummary s(*file, 0x11, 0.0, 50, std::nullopt, 10.0, 0, std::nullopt);
  EXPECT_EQ(s.getNumberOfProteins(), 3);
}

TEST_F(PeptideSummaryTest, AMissingParentRecordsError16AndChecksNothing) {
  auto file = open(errorTolerantChild("no_such_parent.dat"));
  qv_peptidesummary s(*file, 0x11, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  EXPECT_EQ(errorNumbers(*file), std::vector<int>{16});
  EXPECT_EQ(file->getLastErrorString(),
            "Missing 'parent' search [no_such_parent.dat] for error tolerant search.");
  EXPECT_EQ(s.getNumberOfProteins(), 3);
}

TEST_F(PeptideSummaryTest, AFileThatNamesItselfAsParentIsReadOnce) {
  auto file = open(errorTolerantChild("r.dat"));
  qv_peptidesummary s(*file, 0x11, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  // Its own rank-1 scores are the parent's: each match is checked against itself.
  EXPECT_EQ(s.getNumberOfProteins(), 2);  // P1 (40) and P2 (60) reach 26, P3 (20) does not
  EXPECT_TRUE(errorNumbers(*file).empty());
}

}  // namespace

namespace {

TEST_F(PeptideSummaryTest, PeptideObjectsAreMadeOnRequestWithTheirCompanionsAndNoSecondErrors) {
  FileSpec layout;
  addQueries(layout, {{400, 10}});
  layout.peptides = {"q1_p1=" + match("MAMK", 40, "\"P1\":0:1:4:1,\"P2\":0:5:8:1", "010100"),
                   "q1_p1_primary_nl=010000", "q1_p1_subst=3,M,X", "q1_p1_terms=K"};
  auto file = open(layout);
  qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  // The short "_terms" pair warns once per protein while the summary is built.
  EXPECT_EQ(errorNumbers(*file), (std::vector<int>{29, 29}));
  const qv_peptide* p = nullptr;
  ASSERT_TRUE(s.getPeptide(1, 1, p));
  EXPECT_EQ(p->getPrimaryNlStr(), "010000");
  ASSERT_EQ(p->getSubstitutions().size(), 1u);
  EXPECT_EQ(p->getSubstitutions()[0].substitute, 'X');
  EXPECT_EQ(p->getVarModsStr(), "010100");
  EXPECT_DOUBLE_EQ(p->getObserved(), 500.0);
  EXPECT_EQ(p->getObsCharge(), 2);
  ASSERT_EQ(p->getNumProteins(), 2);
  EXPECT_EQ(p->getProtein(2)->getAccession(), "P2");
  EXPECT_EQ(p->getClaimingHit(), 1);
  const qv_peptide* again = nullptr;
  ASSERT_TRUE(s.getPeptide(1, 1, again));
  EXPECT_EQ(again, p);  // one object for the life of the summary
  EXPECT_EQ(errorNumbers(*file), (std::vector<int>{29, 29}));
  std::optional<qv_peptide> copy = s.getPeptideCopy(1, 1);
  ASSERT_TRUE(copy.has_value());
  EXPECT_EQ(copy->getPeptideStr(), "MAMK");
}

}  // namespace
