// The shared scanning of configuration text: words and numbers read like the
// C scanning functions, independent of the locale.
#include "config/config_scan.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace {

TEST(ConfigScan, ReadsLikeTheCScanningFunctions) {
  qv_scan::LineScanner scan("  abcdefgh\t-12 +7 99999999999 x");
  std::string word;
  ASSERT_TRUE(scan.word(word, 3));
  EXPECT_EQ(word, "abc");
  ASSERT_TRUE(scan.word(word));
  EXPECT_EQ(word, "defgh");  // the rest of a cut word is the next word
  int value = 0;
  ASSERT_TRUE(scan.integer(value));
  EXPECT_EQ(value, -12);
  ASSERT_TRUE(scan.integer(value));
  EXPECT_EQ(value, 7);
  ASSERT_TRUE(scan.integer(value));
  EXPECT_EQ(value, 2147483647);  // saturates
  EXPECT_FALSE(scan.integer(value));
  EXPECT_EQ(scan.rest(), " x");
  EXPECT_EQ(qv_scan::readInt("-"), std::nullopt);
  EXPECT_EQ(qv_scan::readInt("-99999999999").value_or(0), -2147483647 - 1);
  EXPECT_EQ(qv_scan::intAfterFirstWord("Key"), std::nullopt);
  EXPECT_EQ(qv_scan::intAfterFirstWord("Key:5"), std::nullopt);
  EXPECT_EQ(qv_scan::intAfterFirstWord("Key: 5").value_or(0), 5);
  EXPECT_EQ(qv_scan::betweenOuterQuotes("a\"b"), std::nullopt);
  EXPECT_EQ(qv_scan::betweenOuterQuotes("\"\"").value_or("?"), "");
  const std::vector<std::string_view> tokens = qv_scan::tokens(",,a, b,,c,", ", ");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(tokens[2], "c");
}

}  // namespace
