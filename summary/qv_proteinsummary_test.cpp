// The protein summary of fingerprint files written here: hits, frames,
// mixtures, the hit filter, the hit order and the descriptions and masses.
#include "summary/qv_proteinsummary.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "summary/summary_test_util.h"

using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
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

// An "h%d_q%d" value of fourteen fields.
std::string hitMatch(const std::string& sequence, int start, int end, int multiplicity = 1) {
  return "0,1000.000000,0.010000," + std::to_string(start) + "," + std::to_string(end) + ",0," + sequence +
         ",0,0000000000,0.00," + std::to_string(multiplicity) + ",,0,0";
}

// Hits: ACC1 (queries 1 and 2, frame 2), ACC2 (query 2), ACC3 (query 1);
// mixture 1 of ACC1 and ACC2 (score 100), mixture 2 of score 0.
FileSpec fingerprintFile() {
  FileSpec layout;
  layout.parameters = {"SEARCH=PMF", "ERRORTOLERANT=0"};
  for (int q = 1; q <= 3; ++q) {
    layout.summary.push_back("qexp" + std::to_string(q) + "=1000.0,1+");
    layout.queries.push_back({"title=q" + std::to_string(q)});
  }
  layout.summary.insert(layout.summary.end(),
                      {"num_hits=3", "h1=ACC1,80.50,0.001,11111.10,2", "h1_text=First protein", "h1_frame=2",
                       "h1_q1=" + hitMatch("AAAAK", 10, 14), "h1_q2=" + hitMatch("CCCCK", 20, 24),
                       "h1_q2_terms=K,A", "h2=ACC2,60.00,0.01,22222.20,1", "h2_text=Second protein",
                       "h2_q2=" + hitMatch("DDDDK", 30, 34), "h3=ACC3,40.00,0.1,33333.30,1",
                       "h3_q1=" + hitMatch("EEEEK", 40, 44)});
  layout.mixture = {"num_hits=2",   "h1_score=100.0", "h1_numprot=2", "h1_m1=ACC1", "h1_m2=ACC2",
                  "h2_score=0.0", "h2_numprot=1",   "h2_m1=ACC3"};
  layout.proteins = {"\"ACC1\"=11000.50,\"Protein one from the list\""};
  return layout;
}

class ProteinSummaryTest : public ::testing::Test {
 protected:
  std::unique_ptr<qv_resultsfile> open(const FileSpec& layout) {
    auto file = std::make_unique<qv_resultsfile>(dir_.write("r.dat", buildFile(layout)));
    EXPECT_TRUE(file->isValid()) << file->getLastErrorString();
    return file;
  }
  ScratchDir dir_;
};

TEST_F(ProteinSummaryTest, MixturesComeFirstThenHitsByNumberAndGroupingComparesQueries) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  // ACC2 (query 2) and ACC3 (query 1) hold only queries of ACC1: subsets.
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"Mixture 1", "ACC1"}));
  EXPECT_EQ(s.getProtein("ACC2")->getStatus(), qv_protein::SUBSET);
  EXPECT_EQ(s.getProtein("ACC3")->getGroupLeaderAccession(), "ACC1");
  EXPECT_EQ(s.getProtein("Mixture 2"), nullptr);  // score 0
  EXPECT_TRUE(errorNumbers(*file).empty());
  // The hit lines' scores stay.
  EXPECT_DOUBLE_EQ(s.getHit(2)->getScore(), 80.5);
  EXPECT_EQ(s.getHit(2)->getHitNumber(), 1);
  qv_proteinsummary all(*file, 7, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(hitAccessions(all), (std::vector<std::string>{"Mixture 1", "ACC1", "ACC2", "ACC3"}));
}

TEST_F(ProteinSummaryTest, AMixtureHoldsItsComponentsAndTheirPeptides) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  const qv_protein* mixture = s.getHit(1);
  ASSERT_TRUE(mixture->isMixture());
  ASSERT_EQ(mixture->getNumComponents(), 2);
  EXPECT_EQ(mixture->getComponent(2)->getAccession(), "ACC2");
  EXPECT_EQ(mixture->getComponent(3), nullptr);
  EXPECT_TRUE(s.getProtein("ACC1")->isComponent());
  EXPECT_FALSE(s.getProtein("ACC3")->isComponent());
  // ACC1's queries 1 and 2, then ACC2's query 2 with another sequence: a
  // code-1 duplicate, removed when grouping.
  EXPECT_EQ(mixture->getNumPeptides(), 2);
  EXPECT_EQ(s.getProteinDescription("Mixture 1"), "Mixture from proteins:\"ACC1\",\"ACC2\"");
  EXPECT_EQ(mixture->getFrame(), 2);  // only ACC1's references are left
  qv_proteinsummary ungrouped(*file, 0, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(ungrouped.getProtein("Mixture 1")->getNumPeptides(), 3);
  EXPECT_EQ(ungrouped.getProtein("Mixture 1")->getFrame(), -1);  // frames 2 and 0
}

TEST_F(ProteinSummaryTest, FlagTwentyLeavesTheMixturesOut) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 0x23, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"ACC1"}));
  EXPECT_FALSE(s.getProtein("ACC1")->isComponent());
}

TEST_F(ProteinSummaryTest, ReferencesCarryTheHitsPlacesAndFrame) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  const qv_protein* acc1 = s.getProtein("ACC1");
  ASSERT_EQ(acc1->getNumPeptides(), 2);
  EXPECT_EQ(acc1->getFrame(), 2);
  EXPECT_EQ(s.getProtein("ACC2")->getFrame(), 0);
  EXPECT_EQ(acc1->getPeptideQuery(2), 2);
  EXPECT_EQ(acc1->getPeptideP(2), 1);
  EXPECT_EQ(acc1->getPeptideStart(2), 20);
  EXPECT_EQ(acc1->getPeptideEnd(2), 24);
  EXPECT_EQ(acc1->getPeptideMultiplicity(2), 1);
  EXPECT_EQ(acc1->getPeptideResidueBefore(2), 'K');
  EXPECT_EQ(acc1->getPeptideResidueAfter(2), 'A');
  EXPECT_EQ(acc1->getPeptideQuery(3), -1);
  EXPECT_EQ(acc1->getPeptideStart(0), -1);
  EXPECT_DOUBLE_EQ(acc1->getPeptideScore(3), 0.0);
  EXPECT_EQ(acc1->getPeptideResidueAfter(3), '?');
  const qv_peptide* p = nullptr;
  ASSERT_TRUE(s.getPeptide(2, 1, p));
  EXPECT_EQ(p->getPeptideStr(), "CCCCK");
  EXPECT_FALSE(s.getPeptide(3, 1, p));
  EXPECT_FALSE(s.getPeptide(1, 4, p));
  EXPECT_EQ(file->getErrorString(1),
            "Could not retrieve peptide. Requested query 3, hit 1 in function qv_proteinsummary::getPeptide");
  EXPECT_EQ(s.getProteinListText(2, 1, true), "1:\"ACC1\" ");
  EXPECT_EQ(s.getMaxRank(), 3);
}

TEST_F(ProteinSummaryTest, HitFilterKeepsOneHitAndTheOthersReadNoMatch) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::string("3"));
  EXPECT_EQ(s.getHitFilter(), 3);
  EXPECT_EQ(s.getNumberOfProteins(), 1);  // no mixture: its components are filtered out
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"ACC3"}));
  const qv_peptide* p = nullptr;
  ASSERT_TRUE(s.getPeptide(1, 1, p));
  EXPECT_EQ(p->getMissedCleavages(), -1);
  ASSERT_TRUE(s.getPeptide(3, 2, p));
  EXPECT_TRUE(p->isNoMatch());
  ASSERT_TRUE(s.getPeptide(1, 3, p));
  EXPECT_EQ(p->getPeptideStr(), "EEEEK");
}

TEST_F(ProteinSummaryTest, DescriptionsAndMassesFallBackToTheHitLines) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(s.getProteinDescription("ACC1"), "Protein one from the list");
  EXPECT_DOUBLE_EQ(s.getProteinMass("ACC1"), 11000.5);
  EXPECT_EQ(s.getProteinDescription("ACC2"), "Second protein");
  EXPECT_DOUBLE_EQ(s.getProteinMass("ACC2"), 22222.2);
  EXPECT_EQ(s.getProteinDescription("ACC9"), "");
  EXPECT_DOUBLE_EQ(s.getProteinMass("ACC9"), 0);
}

TEST_F(ProteinSummaryTest, MalformedHitsRecordTheirErrors) {
  FileSpec layout = fingerprintFile();
  layout.summary = {"qexp1=1000.0,1+", "num_hits=4", "h1=NOSCORE", "h3=,12.5", "h4=ACC4,30.0",
                  "h4_q1=" + hitMatch("AAAAK", 1, 5)};
  layout.mixture.clear();
  layout.queries.resize(1);
  auto file = open(layout);
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(errorNumbers(*file), (std::vector<int>{9, 12, 18}));
  EXPECT_EQ(file->getErrorString(1), "Could not parse score from protein summary for hit:1");
  EXPECT_EQ(file->getErrorString(2), "Failed to find hit 2 in the summary section");
  // The empty accession is kept, with its warning.
  EXPECT_NE(s.getProtein(""), nullptr);
  EXPECT_EQ(hitAccessions(s), (std::vector<std::string>{"", "ACC4"}));
}

TEST_F(ProteinSummaryTest, TwoHitsOfOneAccessionAreOneProtein) {
  FileSpec layout = fingerprintFile();
  layout.summary.push_back("h4=ACC1,20.0");
  layout.summary.push_back("h4_q3=" + hitMatch("FFFFK", 50, 54));
  layout.summary[3] = "num_hits=4";
  auto file = open(layout);
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  const qv_protein* acc1 = s.getProtein("ACC1");
  EXPECT_EQ(acc1->getNumPeptides(), 3);
  EXPECT_EQ(acc1->getHitNumber(), 1);
  EXPECT_DOUBLE_EQ(acc1->getScore(), 80.5);
}

TEST_F(ProteinSummaryTest, UnsupportedVersionGivesAnEmptySummary) {
  FileSpec layout = fingerprintFile();
  layout.header = {"sequences=20000", "sequences_after_tax=20000", "version=1.00"};
  auto file = open(layout);
  qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_TRUE(s.isUnsupportedVersion());
  EXPECT_EQ(s.getNumberOfHits(), 0);
  EXPECT_EQ(s.getNumberOfProteins(), 0);
  EXPECT_EQ(errorNumbers(*file), std::vector<int>{25});
}

TEST_F(ProteinSummaryTest, ProbabilityCutoffIsTheProteinThreshold) {
  auto file = open(fingerprintFile());
  qv_proteinsummary s(*file, 7, 0.05, 50, std::nullopt, std::nullopt);
  EXPECT_EQ(s.getProbabilityScoreCutoff(20), 56);
  EXPECT_DOUBLE_EQ(s.getMinScore(), 56);
}

}  // namespace
