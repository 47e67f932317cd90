#include "results/name_code.h"

#include <gtest/gtest.h>

#include <set>

namespace {

TEST(NameCode, EveryRowHoldsTenDifferentCharacters) {
  for (int i = 0; i < qv_results::kNameCodeLength; ++i) {
    const std::string row = qv_results::kNameCodeRows[i];
    EXPECT_EQ(row.size(), 10u);
    EXPECT_EQ(std::set<char>(row.begin(), row.end()).size(), 10u) << "row " << i;
  }
}

TEST(NameCode, DecodesWhatItEncodes) {
  for (const std::string digits : {"0", "20261206", "0123456789", "9876543210", ""}) {
    const std::string stem = qv_results::encodeName(digits);
    EXPECT_EQ(stem.size(), digits.size());
    EXPECT_EQ(qv_results::decodeName(stem), digits);
  }
  EXPECT_EQ(qv_results::encodeName("12a"), "");
  EXPECT_EQ(qv_results::encodeName("01234567890"), "");
}

TEST(NameCode, RefusesLongStemsAndForeignCharacters) {
  const std::string stem = qv_results::encodeName("0123456789");
  EXPECT_EQ(qv_results::decodeName(stem + "Q"), "");
  EXPECT_EQ(qv_results::decodeName("1"), "");  // digits are not in the rows
  // A character of another position's row is not accepted at this position.
  std::string wrong = stem;
  wrong[0] = qv_results::kNameCodeRows[1][0];
  if (std::string(qv_results::kNameCodeRows[0]).find(wrong[0]) == std::string::npos) {
    EXPECT_EQ(qv_results::decodeName(wrong), "");
  }
}

}  // namespace
