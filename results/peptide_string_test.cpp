#include "results/peptide_string.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/peptide_test_source.h"

namespace {

using qvpeptidetest::MapSource;

constexpr const char* kFields = "1,1234.567800,-0.012300,7,PEPTMIDEK,22,00001000000,45.67,0000002000020000000,3,4";

TEST(QueryRankPeptideTest, ReadsEveryField) {
  MapSource src;
  src.values["q3_p2"] = std::string(kFields) + ";\"ACC1\":0:10:18:1";
  src.values["q3_p2_primary_nl"] = "00001000000";
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 3, 2);
  ASSERT_NE(r.peptide, nullptr);
  const qv_peptide& p = *r.peptide;
  EXPECT_EQ(p.getQuery(), 3);
  EXPECT_EQ(p.getRank(), 2);
  EXPECT_EQ(p.getPrettyRank(), 2);
  EXPECT_EQ(p.getMissedCleavages(), 1);
  EXPECT_DOUBLE_EQ(p.getMrCalc(), 1234.5678);
  EXPECT_DOUBLE_EQ(p.getDelta(), -0.0123);
  EXPECT_DOUBLE_EQ(p.getMrExperimental(), 1234.5678 - 0.0123);
  EXPECT_EQ(p.getNumIonsMatched(), 7);
  EXPECT_EQ(p.getPeptideStr(), "PEPTMIDEK");
  EXPECT_EQ(p.getPeaksUsedFromIons1(), 22);
  EXPECT_EQ(p.getVarModsStr(), "00001000000");
  EXPECT_DOUBLE_EQ(p.getIonsScore(), 45.67);
  EXPECT_EQ(p.getSeriesUsedStr(), "0000002000020000000");
  EXPECT_EQ(p.getPeaksUsedFromIons2(), 3);
  EXPECT_EQ(p.getPeaksUsedFromIons3(), 4);
  EXPECT_DOUBLE_EQ(p.getObserved(), 500.25);
  EXPECT_EQ(p.getObsCharge(), 2);
  EXPECT_EQ(p.getPrimaryNlStr(), "00001000000");
  EXPECT_EQ(p.getClaimingHit(), 0);
  EXPECT_FALSE(p.isNoMatch());
  EXPECT_EQ(r.proteinList, "\"ACC1\":0:10:18:1");
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(QueryRankPeptideTest, MinusOneIsTheNoMatchPeptide) {
  MapSource src;
  src.values["q1_p1"] = "-1";
  src.observedMass = 812.5;
  src.observedCharge = 3;
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 1, 1);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_TRUE(r.peptide->isNoMatch());
  EXPECT_EQ(r.peptide->getMissedCleavages(), -1);
  EXPECT_EQ(r.peptide->getMrCalc(), 0);
  EXPECT_EQ(r.peptide->getDelta(), 0);
  EXPECT_EQ(r.peptide->getPeptideStr(), "");
  EXPECT_EQ(r.peptide->getIonsScore(), 0);
  EXPECT_DOUBLE_EQ(r.peptide->getObserved(), 812.5);
  EXPECT_EQ(r.peptide->getObsCharge(), 3);
  EXPECT_TRUE(r.proteinList.empty());
  EXPECT_EQ(r.peptide->getNumProteins(), 0);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(QueryRankPeptideTest, AbsentKeyGivesNoPeptideAndNoError) {
  MapSource src;
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 4, 9);
  EXPECT_EQ(r.peptide, nullptr);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(QueryRankPeptideTest, ValueEndingAfterIonsScoreRecordsSeriesUsed) {
  MapSource src;
  src.values["q3_p2"] = "1,1234.5,-0.01,7,PEPTIDEK,22,0000000000,45.67";
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 3, 2);
  EXPECT_EQ(r.peptide, nullptr);
  EXPECT_EQ(src.codes(), std::vector<int>{7});
  EXPECT_EQ(src.errors.getErrorString(1), "Could not parse series used from peptide string for q:3, p:2");
  EXPECT_FALSE(src.errors.isValid());
}

TEST(QueryRankPeptideTest, EachTruncationNamesItsField) {
  const std::vector<std::string> labels = {"mr calc",
                                           "delta",
                                           "ions matched",
                                           "ions1",
                                           "peaks used from ions1",
                                           "var mods string",
                                           "ions score",
                                           "series used",
                                           "peaks from ions 2",
                                           "peaks from ions 3"};
  std::string full = kFields;
  size_t cut = 0;
  for (const std::string& label : labels) {
    cut = full.find(',', cut);
    MapSource src;
    src.values["q1_p1"] = full.substr(0, cut);  // ends just before the field named `label`
    EXPECT_EQ(qv_readQueryRankPeptide(src, 1, 1).peptide, nullptr) << label;
    EXPECT_EQ(src.errors.getLastErrorString(), "Could not parse " + label + " from peptide string for q:1, p:1");
    ++cut;
  }
  // Without the final ";" the last field runs to the end and is still read.
  MapSource src;
  src.values["q1_p1"] = full;
  EXPECT_NE(qv_readQueryRankPeptide(src, 1, 1).peptide, nullptr);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(QueryRankPeptideTest, SubstitutionsAreReadWithThePeptide) {
  MapSource src;
  src.values["q2_p1"] = std::string(kFields) + ";\"A\":0:1:9:1";
  src.values["q2_p1_subst"] = "3,P,X 9 K Q";
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 2, 1);
  ASSERT_NE(r.peptide, nullptr);
  const auto& list = r.peptide->getSubstitutions();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].position, 3);
  EXPECT_EQ(list[0].residue, 'P');
  EXPECT_EQ(list[0].substitute, 'X');
  EXPECT_EQ(list[1].position, 9);
  EXPECT_EQ(list[1].substitute, 'Q');
}

TEST(SubstitutionTest, ListEndsAtTheFirstBadTriple) {
  EXPECT_EQ(qv_parseSubstitutions("1,P,A,10,K,R", "PEPTIDEK").size(), 1u);  // position 10 is past the end
  EXPECT_EQ(qv_parseSubstitutions("0,P,A", "PEPTIDEK").size(), 0u);
  EXPECT_EQ(qv_parseSubstitutions("2,E,D,3,Q,A,4,T,S", "PEPTIDEK").size(), 1u);  // residue 3 is P, not Q
  EXPECT_EQ(qv_parseSubstitutions("2,E,D,4,T", "PEPTIDEK").size(), 1u);          // incomplete triple
  EXPECT_EQ(qv_parseSubstitutions("x,E,D", "PEPTIDEK").size(), 0u);
  EXPECT_EQ(qv_parseSubstitutions("2,EE,D", "PEPTIDEK").size(), 0u);
  EXPECT_EQ(qv_parseSubstitutions(" ,, \t", "PEPTIDEK").size(), 0u);
  EXPECT_EQ(qv_parseSubstitutions("8\tK\tR", "PEPTIDEK").size(), 1u);
}

}  // namespace
