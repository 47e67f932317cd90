#include "results/peptide_companions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "results/peptide_test_source.h"

namespace {

using qvpeptidetest::MapSource;
constexpr auto kQR = qv_peptide_form::QUERY_RANK;
constexpr auto kHQ = qv_peptide_form::HIT_QUERY;

TEST(PeptideKeyTest, BothForms) {
  EXPECT_EQ(qv_peptideKey(kQR, 12, 3), "q12_p3");
  EXPECT_EQ(qv_peptideKey(kHQ, 12, 3), "h3_q12");
}

TEST(TagFieldTest, FindsTheItemOfTheTagNumber) {
  MapSource src;
  src.values["q4_p1_tag"] = "1:3:5:1,2:7:9:0";
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 1, 2, 2), 7);
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 1, 2, 3), 9);
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 1, 2, 4), 0);
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 1, 1, 4), 1);
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 1, 3, 2), -1);  // no such tag
  EXPECT_EQ(qv_getTagField(src, kQR, 4, 2, 1, 2), -1);  // no "_tag" at all
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(TagFieldTest, MalformedItemWarnsWithTheRestAndIsSkipped) {
  MapSource src;
  src.values["h1_q2_tag"] = "1:3:x:1,1:4:6:2";
  EXPECT_EQ(qv_getTagField(src, kHQ, 2, 1, 1, 2), 4);
  EXPECT_EQ(src.codes(), std::vector<int>{26});
  EXPECT_EQ(src.errors.getErrorString(1), "Malformed tag match string: [1:3:x:1,1:4:6:2] in file");
  EXPECT_TRUE(src.errors.isValid());
  MapSource other;
  EXPECT_EQ(qv_parseTagField(other, "7:1:2:3,1:2", 1, 2), -1);
  EXPECT_EQ(other.errors.getErrorString(1), "Malformed tag match string: [1:2] in file");
  EXPECT_EQ(qv_parseTagField(other, "1:2:3:4", 1, 5), -1);  // no fifth field
}

TEST(DeltaRangeTest, StartEndEmptyAndMalformed) {
  MapSource src;
  src.values["q1_p1_drange"] = "3,11";
  EXPECT_EQ(qv_getDeltaRangeStart(src, kQR, 1, 1), 3);
  EXPECT_EQ(qv_getDeltaRangeEnd(src, kQR, 1, 1), 11);
  EXPECT_EQ(qv_getDeltaRangeStart(src, kQR, 1, 2), -1);
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
  src.values["q1_p2_drange"] = "4";
  EXPECT_EQ(qv_getDeltaRangeStart(src, kQR, 1, 2), 4);
  EXPECT_EQ(qv_getDeltaRangeEnd(src, kQR, 1, 2), -1);
  src.values["q1_p3_drange"] = "a,b";
  EXPECT_EQ(qv_getDeltaRangeStart(src, kQR, 1, 3), -1);
  EXPECT_EQ(src.codes(), (std::vector<int>{27, 27}));
  EXPECT_EQ(src.errors.getErrorString(2), "Malformed etag delta range string: [a,b] in file");
  EXPECT_TRUE(src.errors.isValid());
}

TEST(ErrTolModTest, DeltaSecondValueAndNameWithCommas) {
  MapSource src;
  src.values["q2_p1_et_mods"] = "0.984016,-1.5,Deamidation (N), var";
  qv_errtol_mod mod = qv_getErrTolMod(src, kQR, 2, 1);
  EXPECT_DOUBLE_EQ(mod.delta, 0.984016);
  EXPECT_DOUBLE_EQ(mod.secondValue, -1.5);
  EXPECT_EQ(mod.name, "Deamidation (N), var");
  qv_errtol_mod none = qv_getErrTolMod(src, kQR, 2, 2);
  EXPECT_EQ(none.delta, 0);
  EXPECT_EQ(none.name, "");
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
}

TEST(ErrTolModTest, OneCommaWarnsAndGivesNothing) {
  MapSource src;
  src.values["q2_p1_et_mods"] = "0.98,Deamidation";
  qv_errtol_mod mod = qv_getErrTolMod(src, kQR, 2, 1);
  EXPECT_EQ(mod.delta, 0);
  EXPECT_EQ(mod.secondValue, 0);
  EXPECT_EQ(mod.name, "");
  EXPECT_EQ(src.codes(), std::vector<int>{15});
  EXPECT_EQ(src.errors.getErrorString(1), "Malformed error tolerant value: [0.98,Deamidation] in file");
}

TEST(ErrTolModTest, MasterAndSlaveLists) {
  MapSource src;
  src.values["h1_q3_et_mods_master"] = "1.5,2.25, 3";
  src.values["h1_q3_et_mods_slave"] = "1,,2,";
  EXPECT_EQ(qv_getErrTolModValues(src, kHQ, 3, 1, true), (std::vector<double>{1.5, 2.25, 3}));
  EXPECT_EQ(src.errors.getNumberOfErrors(), 0);
  EXPECT_EQ(qv_getErrTolModValues(src, kHQ, 3, 1, false), (std::vector<double>{1, 2}));
  EXPECT_EQ(src.codes(), (std::vector<int>{15, 15}));
  EXPECT_TRUE(qv_getErrTolModValues(src, kHQ, 4, 1, true).empty());
}

TEST(CompanionTest, PlainTextCompanions) {
  MapSource src;
  src.values["q9_p4_terms"] = "K,A";
  src.values["h2_q9_et_mods"] = "x";
  EXPECT_EQ(qv_getPeptideCompanion(src, kQR, 9, 4, "_terms"), "K,A");
  EXPECT_EQ(qv_getPeptideCompanion(src, kHQ, 9, 2, "_et_mods"), "x");
  EXPECT_EQ(qv_getPeptideCompanion(src, kQR, 9, 5, "_terms"), "");
}

}  // namespace
