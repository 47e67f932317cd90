#include "results/peptide_fields.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using qv_results::FieldSplitter;

namespace {

// All tokens of `text` taken with one separator set.
std::vector<std::string> tokens(std::string_view text, std::string_view separators) {
  FieldSplitter s(text);
  std::vector<std::string> list;
  std::string_view token;
  for (int guard = 0; guard < 100 && s.next(separators, token); ++guard) list.emplace_back(token);
  return list;
}

TEST(FieldSplitterTest, SplitsAndSkipsLeadingBlanksOnly) {
  EXPECT_EQ(tokens("1, 2.5,\tabc ,x", ","), (std::vector<std::string>{"1", "2.5", "abc ", "x"}));
}

TEST(FieldSplitterTest, EmptyTokenAtTheEndIsAvailableButNotBeyond) {
  // "a," has a second, empty, token; "a" has only one.
  EXPECT_EQ(tokens("a,", ","), (std::vector<std::string>{"a", ""}));
  EXPECT_EQ(tokens("a", ","), (std::vector<std::string>{"a"}));
  EXPECT_EQ(tokens("", ","), (std::vector<std::string>{""}));
}

TEST(FieldSplitterTest, QuotedTokenStepsOverQuoteAndSeparator) {
  FieldSplitter s("\"P12345\":0:10:20:1,\"\":1:2:3:4");
  std::string_view t;
  ASSERT_TRUE(s.next(":", t));
  EXPECT_EQ(t, "P12345");
  ASSERT_TRUE(s.next(":", t));
  EXPECT_EQ(t, "0");
  ASSERT_TRUE(s.next(":", t));
  ASSERT_TRUE(s.next(":", t));
  ASSERT_TRUE(s.next(",", t));
  EXPECT_EQ(t, "1");
  ASSERT_TRUE(s.next(":", t));
  EXPECT_EQ(t, "");  // empty accession
  ASSERT_TRUE(s.next(":", t));
  EXPECT_EQ(t, "1");
}

TEST(FieldSplitterTest, UnterminatedQuoteRunsToTheEnd) {
  FieldSplitter s("\"ABC");
  std::string_view t;
  ASSERT_TRUE(s.next(":", t));
  EXPECT_EQ(t, "ABC");
  EXPECT_FALSE(s.next(":", t));
  EXPECT_TRUE(s.rest().empty());
}

TEST(FieldSplitterTest, SeveralSeparatorsAndRest) {
  FieldSplitter s("0,1;\"A\":0:1:2:1");
  std::string_view t;
  ASSERT_TRUE(s.next(",", t));
  ASSERT_TRUE(s.next(";", t));
  EXPECT_EQ(t, "1");
  EXPECT_EQ(s.rest(), "\"A\":0:1:2:1");
  EXPECT_FALSE(s.restIsBlank());
  FieldSplitter blank(" \t");
  EXPECT_TRUE(blank.restIsBlank());
}

TEST(FieldSplitterTest, NoSeparatorsTakesTheRestOnce) {
  FieldSplitter s("a,b");
  std::string_view t;
  ASSERT_TRUE(s.next("", t));
  EXPECT_EQ(t, "a,b");
  EXPECT_FALSE(s.next("", t));
}

TEST(PeptideNumberTest, ReadIntegerNeedsADigit) {
  EXPECT_EQ(qv_results::readInteger(" 12x"), 12);
  EXPECT_EQ(qv_results::readInteger("-3"), -3);
  EXPECT_FALSE(qv_results::readInteger("x1").has_value());
  EXPECT_FALSE(qv_results::readInteger("-").has_value());
  EXPECT_FALSE(qv_results::readInteger("").has_value());
}

TEST(PeptideNumberTest, WholeInteger) {
  EXPECT_TRUE(qv_results::isWholeInteger(" 42 "));
  EXPECT_TRUE(qv_results::isWholeInteger("-7"));
  EXPECT_FALSE(qv_results::isWholeInteger("4a"));
  EXPECT_FALSE(qv_results::isWholeInteger(""));
  EXPECT_FALSE(qv_results::isWholeInteger("+"));
}

}  // namespace
