// ASCII case folding and hexadecimal digits over every byte value: only the
// 26 letters change case, only the 22 digit characters have a value.
#include "platform/ascii.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace {

constexpr std::string_view kLowerLetters = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kUpperLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// The byte `b` as the char the functions take (bytes from 0x80 up are
// negative chars on this target).
char byte(int b) { return static_cast<char>(static_cast<unsigned char>(b)); }

TEST(Ascii, OnlyTheTwentySixLettersChangeCaseOfAllByteValues) {
  for (int b = 0; b < 256; ++b) {
    const char c = byte(b);
    const size_t upperAt = kUpperLetters.find(c);
    const size_t lowerAt = kLowerLetters.find(c);
    const char expectedLower = upperAt != std::string_view::npos ? kLowerLetters[upperAt] : c;
    const char expectedUpper = lowerAt != std::string_view::npos ? kUpperLetters[lowerAt] : c;
    EXPECT_EQ(qv_platform::asciiLower(c), expectedLower) << "byte " << b;
    EXPECT_EQ(qv_platform::asciiUpper(c), expectedUpper) << "byte " << b;
    EXPECT_EQ(qv_platform::isAsciiUpper(c), upperAt != std::string_view::npos) << "byte " << b;
    EXPECT_EQ(qv_platform::isAsciiLower(c), lowerAt != std::string_view::npos) << "byte " << b;
  }
}

TEST(Ascii, OnlyDigitsAndTheLettersAToFInEitherCaseHaveAHexValueOfAllByteValues) {
  constexpr std::string_view kLowerDigits = "0123456789abcdef";
  constexpr std::string_view kUpperDigits = "0123456789ABCDEF";
  for (int b = 0; b < 256; ++b) {
    const char c = byte(b);
    int expected = static_cast<int>(kLowerDigits.find(c));
    if (kLowerDigits.find(c) == std::string_view::npos) {
      expected = kUpperDigits.find(c) == std::string_view::npos ? -1 : static_cast<int>(kUpperDigits.find(c));
    }
    EXPECT_EQ(qv_platform::hexDigitValue(c), expected) << "byte " << b;
  }
}

TEST(Ascii, StringsFoldTheirLettersAndKeepEveryOtherByte) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(byte(b));
  const std::string lower = qv_platform::asciiLower(all);
  const std::string upper = qv_platform::asciiUpper(all);
  ASSERT_EQ(lower.size(), 256u);
  ASSERT_EQ(upper.size(), 256u);
  for (int b = 0; b < 256; ++b) {
    EXPECT_EQ(lower[static_cast<size_t>(b)], qv_platform::asciiLower(byte(b))) << "byte " << b;
    EXPECT_EQ(upper[static_cast<size_t>(b)], qv_platform::asciiUpper(byte(b))) << "byte " << b;
  }
  EXPECT_EQ(qv_platform::asciiUpper(std::string("Iso-8859-1 \xe4\xc4")), "ISO-8859-1 \xe4\xc4");
}

TEST(Ascii, ComparisonsIgnoreOnlyTheCaseOfAsciiLetters) {
  struct Case {
    std::string_view a, b;
    bool equal;
  };
  const Case cases[] = {
      {"", "", true},
      {"AUTO", "auto", true},
      {"AuTo", "aUtO", true},
      {"auto", "autos", false},
      {"auto", "aut", false},
      {"@[`{", "@[`{", true},
      {"@", "`", false},   // 0x40 and 0x60 differ in the case bit but are not letters
      {"[", "{", false},   // 0x5b and 0x7b likewise
      {"\xe4", "\xc4", false},  // a-umlaut in Latin-1: not an ASCII letter
      {"\xe4", "\xe4", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qv_platform::equalsIgnoringAsciiCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(qv_platform::equalsIgnoringAsciiCase(c.b, c.a), c.equal) << c.b << " / " << c.a;
  }
}

TEST(Ascii, APrefixMatchesInAnyCaseOnlyWhenTheTextIsAtLeastAsLong) {
  EXPECT_TRUE(qv_platform::startsWithIgnoringAsciiCase("HTTP://host", "http:"));
  EXPECT_TRUE(qv_platform::startsWithIgnoringAsciiCase("http:", "HTTP:"));
  EXPECT_FALSE(qv_platform::startsWithIgnoringAsciiCase("http", "http:"));
  EXPECT_FALSE(qv_platform::startsWithIgnoringAsciiCase("https:", "http:"));
  EXPECT_TRUE(qv_platform::startsWithIgnoringAsciiCase("anything", ""));
  EXPECT_TRUE(qv_platform::startsWithIgnoringAsciiCase("", ""));
  static_assert(qv_platform::startsWithIgnoringAsciiCase("EndSection", "end"));
  static_assert(qv_platform::hexDigitValue('F') == 15 && qv_platform::asciiLower('Q') == 'q');
}

}  // namespace
