#include "errors/qv_format.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using qv_format::formatMessage;

TEST(Format, AppliesConversionsToTypedArguments) {
  EXPECT_EQ(formatMessage("q %d of %s: %ld", {7, "fn", 123456789012LL}), "q 7 of fn: 123456789012");
  EXPECT_EQ(formatMessage("%5d|%-4s|%05.1f|%x", {42, "ab", 3.14159, 255}), "   42|ab  |003.1|ff");
  EXPECT_EQ(formatMessage("100%% sure", {}), "100% sure");
  std::string s = "owned";
  EXPECT_EQ(formatMessage("[%s]", {s}), "[owned]");
}

TEST(Format, MismatchedOrMissingArgumentsNeverMisbehave) {
  EXPECT_EQ(formatMessage("%d and %s", {"text", 5}), "text and 5");
  EXPECT_EQ(formatMessage("%s %d %s", {"only"}), "only  ");
  EXPECT_EQ(formatMessage("none", {1, 2, 3}), "none");
  EXPECT_EQ(formatMessage("%n%p", {1, 2}), "12");
  EXPECT_EQ(formatMessage("trailing %", {}), "trailing %");
  const char* nullText = nullptr;
  EXPECT_EQ(formatMessage("%s", {nullText}), "(null)");
  // An argument that is itself full of conversions is text, not a format.
  EXPECT_EQ(formatMessage("%s", {"%s%n%d"}), "%s%n%d");
}

TEST(Format, HugeWidthsAndLongOutputAreBounded) {
  EXPECT_LE(formatMessage("%999999999d", {1}).size(), 2047u);
  EXPECT_EQ(formatMessage("%s", {std::string(3000, 'x')}).size(), 2047u);
  EXPECT_EQ(formatMessage("%s", {std::string(3000, 'x')}, 10).size(), 10u);
}

}  // namespace
