// The natural order of accessions that breaks ties between equal hits.
#include "summary/accession_order.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<std::string> sorted(std::vector<std::string> list) {
  std::sort(list.begin(), list.end(),
            [](const std::string& a, const std::string& b) { return qv_compareAccessions(a, b) < 0; });
  return list;
}

TEST(AccessionOrder, IntegersFromTheFirstDigitComeFirst) {
  EXPECT_EQ(sorted({"P10", "P9", "Q1"}), (std::vector<std::string>{"Q1", "P9", "P10"}));
}

TEST(AccessionOrder, EqualIntegersFallBackToTextOrder) {
  EXPECT_EQ(sorted({"Q007", "P7", "A7B"}), (std::vector<std::string>{"A7B", "P7", "Q007"}));
  EXPECT_EQ(sorted({"zeta", "alpha", "Mu"}), (std::vector<std::string>{"Mu", "alpha", "zeta"}));
}

TEST(AccessionOrder, AccessionWithoutDigitsReadsAsZero) {
  EXPECT_LT(qv_compareAccessions("ZZZ", "A1"), 0);
  EXPECT_GT(qv_compareAccessions("B0", "A"), 0);  // both 0: text order
}

TEST(AccessionOrder, LongIntegersCompareExactly) {
  EXPECT_LT(qv_compareAccessions("X99999999999999999999", "X100000000000000000000"), 0);
  EXPECT_EQ(qv_compareAccessions("X12", "X12"), 0);
}

}  // namespace
