// The companion marks against the key index: a mark must be set exactly
// when the index finds the companion the reader asks for, whatever the
// letter case of the line's key, and lines the reader never asks for (keys
// with leading zeros, other suffixes) must mark nothing.
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "results/peptide_source.h"
#include "summary/match_companions.h"
#include "summary/summary_test_util.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

namespace {

using qvsummarytest::ScratchDir;
using qvsummarytest::withOddCompanions;

TEST(MatchCompanions, ParseKeyTakesExactlyTheKeysTheReaderWrites) {
  int q = 0, p = 0;
  qv_match_companions::Kind kind = qv_match_companions::SUBST;
  ASSERT_TRUE(qv_match_companions::parseKey("q12_p3_primary_nl", q, p, kind));
  EXPECT_EQ(q, 12);
  EXPECT_EQ(p, 3);
  EXPECT_EQ(kind, qv_match_companions::PRIMARY_NL);
  ASSERT_TRUE(qv_match_companions::parseKey("Q7_P10_SuBsT", q, p, kind));
  EXPECT_EQ(q, 7);
  EXPECT_EQ(p, 10);
  EXPECT_EQ(kind, qv_match_companions::SUBST);
  for (const char* other : {"q012_p3_subst", "q12_p03_subst", "q0_p1_subst", "q-1_p1_subst", "q+1_p1_subst",
                            "q12_p3_subst ", "q12_p3_subst\r", "q12_p3_substx", "q12_p3_terms", "q12_p3",
                            "h12_q3_subst", "q12p3_subst", "q12__p3_subst", "q_p3_subst", "q12_p_subst", "",
                            "q", "q12_p3_primary_n", "qq12_p3_subst"})
    EXPECT_FALSE(qv_match_companions::parseKey(other, q, p, kind)) << other;
}

// Every key the reader writes, in any letter case, parses back to its
// query, rank and kind.
TEST(MatchCompanions, ParseKeyReadsBackEveryKeyTheReaderWrites) {
  for (int qq : {1, 9, 10, 99, 100, 12345, 2147483647}) {
    for (int pp = 1; pp <= 10; ++pp) {
      for (int k = 0; k < 2; ++k) {
        char buffer[64];
        std::string key(buffer, qv_formatPeptideKey(buffer, qv_peptide_form::QUERY_RANK, qq, pp));
        key += k == 0 ? "_primary_nl" : "_subst";
        for (int variant = 0; variant < 2; ++variant) {
          if (variant == 1)
            for (char& c : key) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
          int q = 0, p = 0;
          qv_match_companions::Kind kind = qv_match_companions::SUBST;
          ASSERT_TRUE(qv_match_companions::parseKey(key, q, p, kind)) << key;
          EXPECT_EQ(q, qq);
          EXPECT_EQ(p, pp);
          EXPECT_EQ(kind, k == 0 ? qv_match_companions::PRIMARY_NL : qv_match_companions::SUBST);
        }
      }
    }
  }
}

TEST(MatchCompanions, MarksAreSetExactlyWhereTheIndexFindsTheCompanion) {
  qvgen::Options o;
  o.queries = 500;
  o.proteins = 100;
  o.peaks = 3;
  o.seed = 41;
  ScratchDir dir;
  const std::string path = dir.write("c.dat", withOddCompanions(qvgen::resultsText(o)));
  const qv_resultsfile file(path);
  for (bool inBackground : {false, true}) {
    qv_match_companions marks(file, o.queries, 10, inBackground);
    while (!marks.ready()) std::this_thread::yield();
    int found = 0, ruledOut = 0;
    for (int q = 1; q <= o.queries; ++q) {
      for (int p = 1; p <= 10; ++p) {
        for (int k = 0; k < 2; ++k) {
          char buffer[64];
          std::string key(buffer, qv_formatPeptideKey(buffer, qv_peptide_form::QUERY_RANK, q, p));
          key += k == 0 ? "_primary_nl" : "_subst";
          const bool inIndex = file.findSectionValue(SEC_PEPTIDES, key).found();
          const auto kind = k == 0 ? qv_match_companions::PRIMARY_NL : qv_match_companions::SUBST;
          ASSERT_EQ(marks.has(q, p, kind), inIndex) << key;
          found += inIndex;
          ruledOut += !inIndex;
        }
      }
    }
    EXPECT_GT(found, 50);
    EXPECT_GT(ruledOut, 5000);
    // Outside the search's queries and ranks nothing is ruled out.
    EXPECT_TRUE(marks.has(0, 1, qv_match_companions::SUBST));
    EXPECT_TRUE(marks.has(o.queries + 1, 1, qv_match_companions::SUBST));
    EXPECT_TRUE(marks.has(1, 11, qv_match_companions::PRIMARY_NL));
  }
}

}  // namespace
