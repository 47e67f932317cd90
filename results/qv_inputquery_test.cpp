#include "results/qv_inputquery.h"

#include <gtest/gtest.h>

#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"

using qvresultstest::buildResultsFile;
using qvresultstest::sampleSections;
using qvresultstest::ScratchDir;
using qvresultstest::SectionText;

namespace {

TEST(InputQuery, TitleDecoding) {
  EXPECT_EQ(qv_inputquery::decodeTitle("Spectrum%201"), "Spectrum 1");
  EXPECT_EQ(qv_inputquery::decodeTitle("%41%4a%4A"), "AJJ");
  EXPECT_EQ(qv_inputquery::decodeTitle("%a1"), "%a1");  // first digit must not be lower case
  EXPECT_EQ(qv_inputquery::decodeTitle("100%"), "100%");
  EXPECT_EQ(qv_inputquery::decodeTitle("%4"), "%4");
  EXPECT_EQ(qv_inputquery::decodeTitle("%zz%252"), "%zz%2");
}

TEST(InputQuery, PeakListsSkipItemsWithoutAColon) {
  const auto peaks = qv_inputquery::parsePeakList("100.5:10,junk,200:2.5e1,,:3");
  ASSERT_EQ(peaks.size(), 3u);
  EXPECT_DOUBLE_EQ(peaks[0].first, 100.5);
  EXPECT_DOUBLE_EQ(peaks[1].second, 25.0);
  EXPECT_DOUBLE_EQ(peaks[2].first, 0.0);
  EXPECT_TRUE(qv_inputquery::parsePeakList("").empty());
}

class InputQueryFile : public ::testing::Test {
 protected:
  const qv_resultsfile& open(const std::vector<std::string>& query1Lines) {
    auto sections = sampleSections(2);
    for (SectionText& s : sections) {
      if (s.name == "query1") s.lines = query1Lines;
    }
    file_ = std::make_unique<qv_resultsfile>(dir_.write("r.dat", buildResultsFile(sections, false)));
    return *file_;
  }
  ScratchDir dir_;
  std::unique_ptr<qv_resultsfile> file_;
};

TEST_F(InputQueryFile, ReadsEveryField) {
  const auto& f = open({"title=A%20B", "charge=3+", "mass_min=10", "mass_max=20", "int_min=1.5", "int_max=9",
                        "num_vals=2", "num_used=2", "Ions1=1:2,3:4", "Ions3=5:6", "Seq1=s1", "Seq20=s20", "Comp2=c2",
                        "Tag1=t,12.5,ABC", "Tag2=e,3,XY", "PepTol=2,Da"});
  const qv_inputquery q(f, 1);
  EXPECT_EQ(q.getTitle(), "A B");
  EXPECT_EQ(q.getRawTitle(), "A%20B");
  EXPECT_EQ(q.getCharge(), "3+");
  EXPECT_DOUBLE_EQ(q.getMassMax(), 20);
  EXPECT_DOUBLE_EQ(q.getIntMin(), 1.5);
  EXPECT_EQ(q.getNumVals(), 2);
  EXPECT_EQ(q.getIonsString(1), "1:2,3:4");
  EXPECT_EQ(q.getIonsString(2), "");
  EXPECT_EQ(q.getIons(3).size(), 1u);
  EXPECT_EQ(q.getIonsString(4), "");
  EXPECT_EQ(q.getSeq(1), "s1");
  EXPECT_EQ(q.getSeq(20), "s20");
  EXPECT_EQ(q.getSeq(21), "");
  EXPECT_EQ(q.getSeq(0), "");
  EXPECT_EQ(q.getComp(2), "c2");
  EXPECT_FALSE(q.isErrorTolerantTag(1));
  EXPECT_EQ(q.getTagString(1), "12.5,ABC");
  EXPECT_TRUE(q.isErrorTolerantTag(2));
  EXPECT_DOUBLE_EQ(q.getPepTol(), 2);
  EXPECT_EQ(q.getPepTolUnits(), "Da");
  EXPECT_EQ(q.getPepTolString(), "peptol(2.,Da)");
}

TEST_F(InputQueryFile, NumberedQualifiersMatchOnlyTheirExactKeys) {
  const auto& f = open(
      {"SEQ2=upper", "Seq01=leading zero", "Seq21=too far", "Seq=none", "Seqx1=no", "comp20=last", "Tag3=t,1", "Seq3"});
  const qv_inputquery q(f, 1);
  EXPECT_EQ(q.getSeq(2), "upper");
  EXPECT_EQ(q.getSeq(1), "");
  EXPECT_EQ(q.getSeq(3), "");  // a line without "="
  EXPECT_EQ(q.getComp(20), "last");
  EXPECT_EQ(q.getTag(3), "t,1");
  for (int i = 1; i <= 20; ++i) {
    EXPECT_EQ(q.getSeq(i), f.getQuerySectionValueStr(1, "Seq" + std::to_string(i))) << i;
    EXPECT_EQ(q.getComp(i), f.getQuerySectionValueStr(1, "Comp" + std::to_string(i))) << i;
  }
}

TEST_F(InputQueryFile, PeakListsAreNotReadWhenThereAreNoValues) {
  const auto& f = open({"num_vals=0", "Ions1=1:2", "PepTol=0.5"});
  const qv_inputquery q(f, 1);
  EXPECT_EQ(q.getIonsString(1), "");
  EXPECT_FALSE(q.hasIons(1));
  EXPECT_EQ(q.getPepTolUnits(), "");
  EXPECT_EQ(q.getPepTolString(), "peptol(0.5,)");
  const qv_inputquery none(f, 7);
  EXPECT_EQ(none.getTitle(), "");
  EXPECT_EQ(none.getPepTolString(), "");
}

TEST_F(InputQueryFile, DescriptionOfAnMsmsQuery) {
  const auto& f = open({"title=A%20B", "charge=3+", "num_vals=2", "Ions1=1:2", "Seq1=s1", "Comp1=c1", "Tag1=t,1,AB",
                        "Seq2=s2", "Tag2=e,2,CD", "PepTol=2,Da"});
  EXPECT_EQ(f.getQueryDescription(1),
            "1001.5 from(501.25,2+)  intensity(1000)  title(A%20B)  peptol(2.,Da) seq(s1) comp(c1) tag(1,AB) seq(s2)"
            " etag(2,CD) query(1)");
  EXPECT_EQ(f.getNumberOfErrors(), 0);
  // Qualifiers come by number whatever the order of their lines; keys match
  // in any letter case, but not with a leading zero or beyond 20.
  const auto& g = open({"charge=2+", "tag3=t,9", "Seq20=z", "comp2=c", "SEQ2=b", "Seq01=no", "Seq21=no", "Comp1="});
  EXPECT_EQ(g.getQueryDescription(1), "1001.5 from(501.25,2+)  intensity(1000)  seq(b) comp(c) tag(9) seq(z) query(1)");
}

TEST_F(InputQueryFile, DescriptionWithoutPeaksOrChargeHasNoQueryPart) {
  const auto& f = open({"title=", "num_vals=0", "Ions1=1:2"});
  EXPECT_EQ(f.getQueryDescription(1), "1001.5 from(501.25,2+)  intensity(1000) ");
  // Peaks without a charge still make it a query.
  const auto& g = open({"num_vals=1", "Ions2=1:2"});
  EXPECT_EQ(g.getQueryDescription(1), "1001.5 from(501.25,2+)  intensity(1000)  query(1)");
  EXPECT_EQ(g.getQueryDescription(3), "");
  EXPECT_EQ(g.getLastErrorString(), "Query out of range. In function getObservedMass. Request query 3, num queries: 2");
}

TEST_F(InputQueryFile, SearchTypeTestsAndCachedScans) {
  const auto& f = open({"num_vals=0", "Etag1=e,1,X"});
  EXPECT_TRUE(f.isMSMS());
  EXPECT_FALSE(f.isPMF());
  EXPECT_FALSE(f.isSQ());
  EXPECT_TRUE(f.anyMSMS());  // query 2 has peaks
  EXPECT_FALSE(f.anySeq());
  EXPECT_TRUE(f.anyTag());
  EXPECT_TRUE(f.anyTag());
  const auto& g = open({"num_vals=0", "Comp1=x"});
  EXPECT_TRUE(g.anySeq());
  EXPECT_FALSE(g.anyTag());
}

}  // namespace
