// The protein list of "q%d_p%d" and the "h%d_q%d" value string.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/peptide_string.h"
#include "results/peptide_test_source.h"

namespace {

using qvpeptidetest::MapSource;

std::vector<qv_protein_reference> readList(MapSource& src, const std::string& list, const std::string& terms) {
  if (!terms.empty()) src.values["q5_p1_terms"] = terms;
  return qv_readProteinList(src, 5, 1, list);
}

TEST(ProteinListTest, ReadsReferencesWithTheirResidues) {
  MapSource src;
  auto refs = readList(src, "\"P1\":0:10:18:1,\"P2_X\":-1:200:208:2", "K,A:R,-");
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[0].accession, "P1");
  EXPECT_EQ(refs[0].frame, 0);
  EXPECT_EQ(refs[0].start, 10);
  EXPECT_EQ(refs[0].end, 18);
  EXPECT_EQ(refs[0].multiplicity, 1);
  EXPECT_EQ(refs[0].residueBefore, 'K');
  EXPECT_EQ(refs[0].residueAfter, 'A');
  EXPECT_EQ(refs[1].accession, "P2_X");
  EXPECT_EQ(refs[1].frame, -1);
  EXPECT_EQ(refs[1].multiplicity, 2);
  EXPECT_EQ(refs[1].residueBefore, 'R');
  EXPECT_EQ(refs[1].residueAfter, '-');
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(ProteinListTest, EmptyAccessionWarnsAndIsKept) {
  MapSource src;
  auto refs = readList(src, "\"\":0:1:8:1", "K,A");
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].accession, "");
  EXPECT_EQ(refs[0].end, 8);
  EXPECT_EQ(src.codes(), std::vector<int>{17});
  EXPECT_EQ(src.errors.getErrorString(1), "Null accession number found for query 5, rank 1 in peptides section");
  EXPECT_TRUE(src.errors.isValid());
}

TEST(ProteinListTest, ShortTermsPairWarnsOncePerProtein) {
  MapSource src;
  auto refs = readList(src, "\"A\":0:1:8:1,\"B\":0:1:8:1,\"C\":0:1:8:1", "K,A:K:");
  ASSERT_EQ(refs.size(), 3u);
  EXPECT_EQ(refs[0].residueBefore, 'K');
  EXPECT_EQ(refs[1].residueBefore, '?');  // "K" is too short
  EXPECT_EQ(refs[2].residueAfter, '?');   // nothing left
  EXPECT_EQ(src.codes(), (std::vector<int>{29, 29}));
  EXPECT_EQ(src.errors.getErrorString(1), "Malformed terminal residue string or not enough members: [K,A:K:] in file");
  EXPECT_TRUE(src.errors.isValid());
}

TEST(ProteinListTest, NoTermsLeavesUnknownResiduesSilently) {
  MapSource src;
  auto refs = readList(src, "\"A\":0:1:8:1", "");
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].residueBefore, '?');
  EXPECT_EQ(refs[0].residueAfter, '?');
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(ProteinListTest, MissingNumberDropsTheItem) {
  MapSource src;
  auto refs = readList(src, "\"GOOD\":0:1:8:1,\"BAD\":0:12", "K,A:K,A");
  ASSERT_EQ(refs.size(), 1u);
  EXPECT_EQ(refs[0].accession, "GOOD");
  EXPECT_EQ(src.codes(), std::vector<int>{8});
  EXPECT_EQ(src.errors.getErrorString(1), "Could not parse end for accession BAD from peptide string for q:5, p:1");
  EXPECT_FALSE(src.errors.isValid());
}

TEST(ProteinListTest, EmptyOrTrailingSeparatorAddsNoItem) {
  MapSource src;
  EXPECT_TRUE(readList(src, "", "").empty());
  EXPECT_TRUE(readList(src, "  ", "").empty());
  EXPECT_EQ(readList(src, "\"A\":0:1:8:1,", "K,A").size(), 1u);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(ProteinListTest, GarbageNeverReadsPastTheText) {
  MapSource src;
  for (const char* list : {"\"", "\"\"", ":::", "\"A", "\"A\"", ",,,,", "\"A\":", "\"A\":1:2:3:"}) {
    auto refs = readList(src, list, "K");
    EXPECT_LE(refs.size(), 4u) << list;
  }
}

TEST(HitQueryPeptideTest, ReadsAllFourteenFields) {
  MapSource src;
  src.values["h2_q7"] = "0,1000.5,0.25,11,19,4,PEPTIDEK,9,0000000000,12.5,3,000000200002,1,2";
  src.values["h2_q7_terms"] = "R,G";
  src.values["h2_q7_primary_nl"] = "0000000000";
  qv_hit_query_read r = qv_readHitQueryPeptide(src, 2, 7);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_EQ(r.peptide->getQuery(), 7);
  EXPECT_EQ(r.peptide->getRank(), 2);
  EXPECT_EQ(r.peptide->getMissedCleavages(), 0);
  EXPECT_DOUBLE_EQ(r.peptide->getMrCalc(), 1000.5);
  EXPECT_DOUBLE_EQ(r.peptide->getDelta(), 0.25);
  EXPECT_EQ(r.start, 11);
  EXPECT_EQ(r.end, 19);
  EXPECT_EQ(r.peptide->getNumIonsMatched(), 4);
  EXPECT_EQ(r.peptide->getPeptideStr(), "PEPTIDEK");
  EXPECT_EQ(r.peptide->getPeaksUsedFromIons1(), 9);
  EXPECT_DOUBLE_EQ(r.peptide->getIonsScore(), 12.5);
  EXPECT_EQ(r.multiplicity, 3);
  EXPECT_EQ(r.peptide->getSeriesUsedStr(), "000000200002");
  EXPECT_EQ(r.peptide->getPeaksUsedFromIons2(), 1);
  EXPECT_EQ(r.peptide->getPeaksUsedFromIons3(), 2);
  EXPECT_EQ(r.peptide->getPrimaryNlStr(), "0000000000");
  EXPECT_EQ(r.residueBefore, 'R');
  EXPECT_EQ(r.residueAfter, 'G');
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(HitQueryPeptideTest, ShortValueKeepsWhatWasReadAndStillMakesThePeptide) {
  MapSource src;
  src.values["h1_q4"] = "1,900.5,0.1,5,12,3,SEQK";
  qv_hit_query_read r = qv_readHitQueryPeptide(src, 1, 4);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_EQ(r.peptide->getPeptideStr(), "SEQK");
  EXPECT_EQ(r.end, 12);
  EXPECT_EQ(r.multiplicity, 0);
  EXPECT_EQ(r.peptide->getIonsScore(), 0);
  EXPECT_EQ(src.codes(), std::vector<int>{10});
  EXPECT_EQ(src.errors.getErrorString(1), "Could not parse peaks from ions 1 from protein summary for hit:1, query: 4");
}

TEST(HitQueryPeptideTest, MinusOneAbsentAndShortTerms) {
  MapSource src;
  src.values["h3_q1"] = "-1";
  qv_hit_query_read none = qv_readHitQueryPeptide(src, 3, 1);
  ASSERT_NE(none.peptide, nullptr);
  EXPECT_TRUE(none.peptide->isNoMatch());
  EXPECT_EQ(none.peptide->getRank(), 3);
  EXPECT_EQ(qv_readHitQueryPeptide(src, 3, 2).peptide, nullptr);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);

  src.values["h3_q2"] = "0,900.5,0.1,5,12,3,SEQK,1,000000,5,1,,0,0";
  src.values["h3_q2_terms"] = "K";
  qv_hit_query_read r = qv_readHitQueryPeptide(src, 3, 2);
  ASSERT_NE(r.peptide, nullptr);
  EXPECT_EQ(r.residueBefore, '?');
  EXPECT_EQ(src.codes(), std::vector<int>{29});
}

}  // namespace
