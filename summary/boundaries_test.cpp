// The summaries' thresholds and limits at their boundary values (equal, one
// step either side), and each case of their rules with several cases. The
// identity threshold of a query with qmatch 400 at one in 20 is
// trunc(10 log10(400 * 20 * 0.05)) = 26, at one in 10 trunc(23.01) = 23.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "summary/qv_peptidesummary.h"
#include "summary/qv_proteinsummary.h"
#include "summary/summary_test_util.h"

using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
using qvsummarytest::match;
using qvsummarytest::ScratchDir;

namespace {

// One query per entry: its qmatch and qplughole, an empty query section.
void addQueries(FileSpec& layout, const std::vector<std::pair<double, double>>& qmatchPlughole) {
  for (size_t i = 0; i < qmatchPlughole.size(); ++i) {
    const std::string q = std::to_string(i + 1);
    layout.summary.push_back("qexp" + q + "=500.0,2+");
    layout.summary.push_back("qmatch" + q + "=" + std::to_string(qmatchPlughole[i].first));
    layout.summary.push_back("qplughole" + q + "=" + std::to_string(qmatchPlughole[i].second));
    layout.queries.push_back({"title=q" + q});
  }
}

std::string peptideKey(int q, int p) { return "q" + std::to_string(q) + "_p" + std::to_string(p) + "="; }

class SummaryBoundaries : public ::testing::Test {
 protected:
  std::unique_ptr<qv_resultsfile> open(const FileSpec& layout, const std::string& name = "r.dat") {
    auto file = std::make_unique<qv_resultsfile>(dir_.write(name, buildFile(layout)));
    EXPECT_TRUE(file->isValid()) << file->getLastErrorString();
    return file;
  }
  ScratchDir dir_;
};

TEST_F(SummaryBoundaries, HomologyThresholdHoldsOnlyWhenThePlugholeIsNotAboveTheIdentityThreshold) {
  struct Case {
    std::string header;      // sequences after taxonomy
    std::string parameters;  // ERRORTOLERANT
    double plughole;
    std::string querySection;
    int homology;
  };
  const Case cases[] = {
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 25, "", 25},
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 26, "", 26},  // equal to the identity threshold
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 27, "", 0},
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 26.5, "", 0},  // above it before truncation
      {"sequences_after_tax=1000", "ERRORTOLERANT=0", 26, "", 0},     // not more than 1000 sequences
      {"sequences_after_tax=1001", "ERRORTOLERANT=0", 26, "", 26},
      {"sequences_after_tax=20000", "ERRORTOLERANT=1", 26, "", 0},
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 26, "Tag1=1,2", 0},
      {"sequences_after_tax=20000", "ERRORTOLERANT=0", 26, "Etag1=1,2", 0},
  };
  for (const Case& c : cases) {
    FileSpec layout;
    layout.header = {"sequences=20000", c.header, "version=2.1.04"};
    layout.parameters = {"SEARCH=MIS", "ITOL=0.6", c.parameters};
    addQueries(layout, {{400, c.plughole}});
    if (!c.querySection.empty()) layout.queries[0].push_back(c.querySection);
    auto file = open(layout);
    const qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
    EXPECT_EQ(s.getHomologyThreshold(1, 20), c.homology)
        << c.header << " " << c.parameters << " plughole " << c.plughole << " " << c.querySection;
  }
}

TEST_F(SummaryBoundaries, SingleQueryThresholdIsTheHomologyThresholdUnlessItIsAboveTheProteinThreshold) {
  // qmatch 400000: identity trunc(56.02) = 56, so a plughole of 56 gives a
  // homology threshold of 56. The protein threshold is trunc(10 log10(20 s)):
  // 16000 sequences give 55, 20000 give 56, 26000 give 57.
  struct Case {
    int sequences;
    int proteinThreshold;
    int singleQuery;
  };
  const Case cases[] = {{16000, 55, 0}, {20000, 56, 56}, {26000, 57, 56}};
  for (const Case& c : cases) {
    FileSpec layout;
    const std::string sequences = std::to_string(c.sequences);
    layout.header = {"sequences=" + sequences, "sequences_after_tax=" + sequences, "version=2.1.04"};
    addQueries(layout, {{400000, 56}});
    auto file = open(layout);
    const qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
    ASSERT_EQ(s.getHomologyThreshold(1, 20), 56);
    ASSERT_EQ(s.getProteinThreshold(20), c.proteinThreshold) << c.sequences;
    EXPECT_EQ(s.getSingleQueryThreshold(20), c.singleQuery) << c.sequences;
  }
}

TEST_F(SummaryBoundaries, ChancesBelowOneInTenCountAsOneInTen) {
  // Query 1, qmatch 1000: one in 10 gives trunc(10 log10(500)) = 26, one in
  // 11 trunc(27.40) = 27. Query 2, qmatch 1050: one in 10 gives
  // trunc(10 log10(525)) = 27, where one in 9 would give trunc(26.74) = 26.
  FileSpec layout;
  addQueries(layout, {{1000, 0}, {1050, 0}});
  auto file = open(layout);
  const qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
  struct Case {
    int query;
    int oneInX;
    int threshold;
  };
  const Case cases[] = {{1, 1, 26}, {1, 9, 26}, {1, 10, 26}, {1, 11, 27}, {1, 20, 30},
                        {2, 1, 27}, {2, 9, 27}, {2, 10, 27}, {2, 11, 27}};
  for (const Case& c : cases)
    EXPECT_EQ(s.getPeptideIdentityThreshold(c.query, c.oneInX), c.threshold) << c.query << " " << c.oneInX;
}

TEST_F(SummaryBoundaries, AMinimumProbabilityIsAChanceOnlyStrictlyBetweenZeroAndOne) {
  // Between 0 and 1 the minimum score is the average identity threshold at
  // one in trunc(1 / probability) (at least 10); otherwise the value itself.
  FileSpec layout;
  addQueries(layout, {{400, 0}});
  auto file = open(layout);
  const std::pair<double, double> cases[] = {{0.0, 0.0}, {0.05, 26.0}, {0.999, 23.0}, {1.0, 1.0}, {1.5, 1.5}};
  for (const auto& [probability, minScore] : cases) {
    const qv_peptidesummary s(*file, 1, probability, 50, std::nullopt, 0.0, 0, std::nullopt);
    EXPECT_DOUBLE_EQ(s.getMinScore(), minScore) << probability;
  }
}

TEST_F(SummaryBoundaries, ProteinsAreReadOnlyForMatchesScoringAboveTheIonsScoreCutoff) {
  // Each row is a search of one query (qmatch 400) with one match to P1.
  struct Case {
    double cutoff;
    double score;
    double queryCutoff;  // what the cut-off becomes for the query
    bool proteinsRead;
  };
  const Case cases[] = {
      {0.0, 0.0, 0, false},     {0.0, 0.01, 0, true},      // a cut-off of 0 is a score
      {1.0, 1.0, 1, false},     {1.0, 1.01, 1, true},      // and so is exactly 1
      {0.999, 23.0, 23, false}, {0.999, 23.01, 23, true},  // a chance of one in 1 (raised to 10)
      {0.5, 23.01, 23, true},   {0.05, 26.0, 26, false},  {0.05, 26.01, 26, true},  // one in 2, one in 20
      {26.0, 25.99, 26, false}, {26.0, 26.0, 26, false},  {26.0, 26.01, 26, true},
  };
  for (const Case& c : cases) {
    FileSpec layout;
    addQueries(layout, {{400, 0}});
    layout.peptides = {peptideKey(1, 1) + match("PEPTIDEK", c.score, "\"P1\":0:1:8:1")};
    auto file = open(layout);
    const qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, c.cutoff, 0, std::nullopt);
    EXPECT_DOUBLE_EQ(s.getIonsScoreCutoff(1), c.queryCutoff) << c.cutoff;
    EXPECT_EQ(s.getProtein("P1") != nullptr, c.proteinsRead) << "cut-off " << c.cutoff << ", score " << c.score;
  }
}

TEST_F(SummaryBoundaries, ErrorTolerantMatchesPassTheParentCheckAtTheParentsScoreAndAtTheThreshold) {
  // Query i of the child matches protein Pi; the parent's rank-1 match of
  // the same query has the score given. A match passes when its score is
  // not below the parent's and not below the threshold: the identity
  // threshold at one in 20 (26) for a cut-off of 0, the query's cut-off
  // otherwise.
  struct Case {
    double parentScore;
    double childScore;
    bool passes;
  };
  struct Search {
    double cutoff;
    std::vector<Case> cases;
  };
  const Search searches[] = {
      {0.0,
       {{10, 25.99, false},
        {10, 26, true},
        {10, 26.01, true},  // at the threshold
        {40, 39.99, false},
        {40, 40, true},
        {40, 40.01, true}}},                                                    // at the parent's score
      {0.5, {{10, 23.01, true}, {23.01, 23.01, true}, {23.02, 23.01, false}}},  // threshold 23
      {1.0, {{1, 1.5, true}, {1.5, 1.5, true}, {1.51, 1.5, false}}},            // threshold 1
      {30.0, {{10, 30.01, true}, {30.02, 30.01, false}}},
  };
  int n = 0;
  for (const Search& search : searches) {
    FileSpec parent;
    FileSpec child;
    const std::string parentName = "parent" + std::to_string(++n) + ".dat";
    child.parameters = {"SEARCH=MIS", "ITOL=0.6", "ERRORTOLERANT=1", "_errortolerantsearchparent=" + parentName};
    const std::vector<std::pair<double, double>> queries(search.cases.size(), {400, 0});
    addQueries(parent, queries);
    addQueries(child, queries);
    for (size_t i = 0; i < search.cases.size(); ++i) {
      const int q = static_cast<int>(i) + 1;
      parent.peptides.push_back(peptideKey(q, 1) + match("PARENTK", search.cases[i].parentScore, "\"X\":0:1:7:1"));
      child.peptides.push_back(peptideKey(q, 1) +
                               match("CHILDK", search.cases[i].childScore, "\"P" + std::to_string(q) + "\":0:1:6:1"));
    }
    dir_.write(parentName, buildFile(parent));
    auto file = open(child, "child" + std::to_string(n) + ".dat");
    const qv_peptidesummary s(*file, 0x11, 0.0, 50, std::nullopt, search.cutoff, 0, std::nullopt);
    for (size_t i = 0; i < search.cases.size(); ++i) {
      const Case& c = search.cases[i];
      EXPECT_EQ(s.getProtein("P" + std::to_string(i + 1)) != nullptr, c.passes)
          << "cut-off " << search.cutoff << ", parent " << c.parentScore << ", child " << c.childScore;
    }
    EXPECT_EQ(file->getNumberOfErrors(), 0) << file->getLastErrorString();
  }
}

TEST_F(SummaryBoundaries, APeptideCountsInGroupingFromTheMinimumLengthOn) {
  // A holds XXXXXK and YYYYYK; D holds XXXXXK and GK (two residues). D is a
  // subset of A only when GK is too short to count, and stays independent
  // when none of its peptides counts.
  FileSpec layout;
  addQueries(layout, {{400, 0}, {400, 0}, {400, 0}});
  layout.peptides = {peptideKey(1, 1) + match("XXXXXK", 60, "\"A\":0:1:6:1,\"D\":0:1:6:1"),
                     peptideKey(2, 1) + match("YYYYYK", 50, "\"A\":0:7:12:1"),
                     peptideKey(3, 1) + match("GK", 5, "\"D\":0:20:21:1")};
  auto file = open(layout);
  const std::pair<int, qv_protein::Status> cases[] = {
      {0, qv_protein::INDEPENDENT}, {1, qv_protein::INDEPENDENT}, {2, qv_protein::INDEPENDENT},  // equal to GK's length
      {3, qv_protein::SUBSET},      {6, qv_protein::SUBSET},                                     // equal to XXXXXK's
      {7, qv_protein::INDEPENDENT}};                                                             // nothing counts
  for (const auto& [minLength, status] : cases) {
    const qv_peptidesummary s(*file, 1, 0.0, 50, std::nullopt, 0.0, minLength, std::nullopt);
    EXPECT_EQ(s.getProtein("D")->getStatus(), status) << "minimum length " << minLength;
    EXPECT_EQ(s.getNumberOfHits(), status == qv_protein::SUBSET ? 1 : 2) << "minimum length " << minLength;
  }
}

TEST_F(SummaryBoundaries, ThePrettyRankDecidesARedPeptide) {
  // Query 1's ranks 1 and 2 score the same, so both have pretty rank 1.
  // Rank 2 belongs to PA, which also holds query 2 and comes first; rank 1
  // belongs to PB. PA claims its rank-2 match first: red, as it is of pretty
  // rank 1 and no match of pretty rank 1 of the query was claimed before.
  // PB's rank-1 match then comes after a claimed match of pretty rank 1.
  FileSpec layout;
  addQueries(layout, {{400, 0}, {400, 0}});
  layout.peptides = {peptideKey(1, 1) + match("AAAAAK", 40, "\"PB\":0:1:6:1"),
                     peptideKey(1, 2) + match("CCCCCK", 40, "\"PA\":0:1:6:1"),
                     peptideKey(2, 1) + match("DDDDDK", 30, "\"PA\":0:9:14:1")};
  auto file = open(layout);
  for (uint32_t flags : {0x1u, 0x9u}) {
    const qv_peptidesummary s(*file, flags, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt);
    const qv_peptide* rank2 = nullptr;
    ASSERT_TRUE(s.getPeptide(1, 2, rank2));
    ASSERT_EQ(rank2->getPrettyRank(), 1);
    ASSERT_EQ(s.getHit(1)->getAccession(), "PA") << flags;
    const qv_protein* pa = s.getHit(1);
    ASSERT_EQ(pa->getPeptideQuery(1), 1);
    EXPECT_TRUE(pa->getPeptideIsRed(1)) << flags;
    EXPECT_TRUE(pa->getPeptideIsBold(1)) << flags;
    EXPECT_TRUE(pa->getPeptideIsRed(2)) << flags;
    const qv_protein* pb = s.getProtein("PB");
    EXPECT_FALSE(pb->getPeptideIsRed(1)) << flags;
    EXPECT_FALSE(pb->getPeptideIsBold(1)) << flags;
    // With flag 0x8 PB is dropped: its one match is of rank 1, but another
    // rank of its query has been claimed.
    EXPECT_EQ(s.getNumberOfHits(), flags == 0x9u ? 1 : 2) << flags;
  }
}

TEST_F(SummaryBoundaries, FlagEightKeepsAHitByARankOneMatchNotByAPrettyRankOne) {
  // PA holds the rank-2 matches of queries 1 and 2, each of pretty rank 1
  // (the same score as rank 1); PB holds the two rank-1 matches. Both score
  // 50 and PA comes first by accession. Only a match of rank 1 itself keeps
  // a hit, so with flag 0x8 PA is dropped and PB, whose queries nobody has
  // claimed, is kept.
  FileSpec layout;
  addQueries(layout, {{400, 0}, {400, 0}});
  layout.peptides = {peptideKey(1, 1) + match("AAAAAK", 40, "\"PB\":0:1:6:1"),
                     peptideKey(1, 2) + match("CCCCCK", 40, "\"PA\":0:1:6:1"),
                     peptideKey(2, 1) + match("DDDDDK", 10, "\"PB\":0:9:14:1"),
                     peptideKey(2, 2) + match("EEEEEK", 10, "\"PA\":0:9:14:1")};
  auto file = open(layout);
  auto hits = [](const qv_summary& s) {
    std::vector<std::string> out;
    for (int n = 1; n <= s.getNumberOfHits(); ++n) out.push_back(s.getHit(n)->getAccession());
    return out;
  };
  EXPECT_EQ(hits(qv_peptidesummary(*file, 1, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt)),
            (std::vector<std::string>{"PA", "PB"}));
  EXPECT_EQ(hits(qv_peptidesummary(*file, 9, 0.0, 50, std::nullopt, 0.0, 0, std::nullopt)),
            (std::vector<std::string>{"PB"}));
}

}  // namespace

namespace {

std::string hitMatch(int start, int end) {
  return "0,1000.000000,0.010000," + std::to_string(start) + "," + std::to_string(end) +
         ",0,AAAAK,0,0000000,0.00,1,,0,0";
}

TEST_F(SummaryBoundaries, AProteinMassIsFoundThroughTheFirstHitLineNamingTheAccessionAndAComma) {
  FileSpec layout;
  layout.parameters = {"SEARCH=PMF", "ERRORTOLERANT=0"};
  layout.summary = {"qexp1=1000.0,1+",
                    "num_hits=6",
                    "h1=ACC10,80.0,0.1,10000.5,1",  // holds "ACC1" but not "ACC1,"
                    "h2=ACC1,70.0,0.1,20000.5,1",
                    "h3=SHORT,60.0,0.1",  // no fourth field: 0, and the search ends
                    "h4=SHORT,50.0,0.1,40000.5,1",
                    "h5=EMPTY,45.0,0.1,45000.5,1",
                    "h6=LAST,40.0,0.1,60000.5,1",
                    "h1_q1=" + hitMatch(1, 5)};
  // A mass in the proteins section comes first; an empty value there does not count.
  layout.proteins = {"\"LISTED\"=123.5,\"in the proteins section\"", "\"EMPTY\"=", "\"LAST\"=70000.5,\"the last hit\""};
  layout.queries = {{"title=q1"}};
  auto file = open(layout);
  const qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  const std::pair<std::string, double> cases[] = {
      {"ACC1", 20000.5}, {"ACC10", 10000.5}, {"SHORT", 0}, {"EMPTY", 45000.5},
      {"LAST", 70000.5}, {"LISTED", 123.5},  {"NONE", 0},  {"ACC", 0},
  };
  for (const auto& [accession, mass] : cases) EXPECT_DOUBLE_EQ(s.getProteinMass(accession), mass) << accession;
}

TEST_F(SummaryBoundaries, TheLastHitLineIsSearchedForAMass) {
  FileSpec layout;
  layout.parameters = {"SEARCH=PMF", "ERRORTOLERANT=0"};
  layout.summary = {"qexp1=1000.0,1+", "num_hits=2", "h1=FIRST,80.0,0.1,10000.5,1", "h2=SECOND,70.0,0.1,20000.5,1",
                    "h1_q1=" + hitMatch(1, 5)};
  layout.queries = {{"title=q1"}};
  auto file = open(layout);
  const qv_proteinsummary s(*file, 3, 0.0, 50, std::nullopt, std::nullopt);
  EXPECT_DOUBLE_EQ(s.getProteinMass("FIRST"), 10000.5);
  EXPECT_DOUBLE_EQ(s.getProteinMass("SECOND"), 20000.5);
}

}  // namespace
