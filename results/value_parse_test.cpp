// The leading-number readers: the exact decimal shortcut of leadingDouble()
// against the library's conversion, bit for bit, on numbers of every shape a
// results file holds and many it does not.
#include "results/value_parse.h"

#include <bit>
#include <cstdint>
#include <random>
#include <string>

#include <gtest/gtest.h>

namespace {

using qv_results::leadingDouble;
using qv_results::leadingDoubleByLibrary;

uint64_t bitsOf(double d) { return std::bit_cast<uint64_t>(d); }

TEST(LeadingDouble, TheShortcutGivesTheLibrarysValueForEveryShape) {
  for (const char* text : {"1190.505033", "0.010000", "45.5", "5.", ".5", "-0.0", "+.25", "0", "000123.4500",
                           "9007199254740992", "9007199254740993", "9007199254740991.5", "1234567890123456789",
                           "12345678901234567890", "0.0000000000000000000001", "0.00000000000000000000001",
                           "1.5e3", "1.5E-3,Da", "1.5e", "2.5x", "12.34.56", ".", "-.", "  7.25", "\t-3.5;",
                           "0.1", "0.3", "123456789.123456789", "4503599627370497.5", "1e400", "1e-400"}) {
    EXPECT_EQ(bitsOf(leadingDouble(text)), bitsOf(leadingDoubleByLibrary(text))) << text;
  }
  std::mt19937_64 rng(7);
  const auto digits = [&](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('0' + rng() % 10));
    return s;
  };
  for (int n = 0; n < 1000000; ++n) {
    std::string text;
    if (rng() % 8 == 0) text += rng() % 2 ? "-" : "+";
    text += digits(static_cast<int>(rng() % 18));
    if (rng() % 4 != 0) text += "." + digits(static_cast<int>(rng() % 14));
    switch (rng() % 10) {
      case 0: text += "e" + std::to_string(static_cast<int>(rng() % 40) - 20); break;
      case 1: text += ",2+"; break;
      case 2: text += digits(static_cast<int>(rng() % 8)); break;
      default: break;
    }
    ASSERT_EQ(bitsOf(leadingDouble(text)), bitsOf(leadingDoubleByLibrary(text))) << text;
  }
}

TEST(LeadingDouble, ReadsTheLeadingNumberOnly) {
  EXPECT_EQ(leadingDouble("1190.505033,2+"), 1190.505033);
  EXPECT_EQ(leadingDouble("-45.25;x"), -45.25);
  EXPECT_EQ(leadingDouble("abc"), 0.0);
  EXPECT_EQ(leadingDouble(""), 0.0);
  EXPECT_EQ(leadingDouble("1.5e3"), 1500.0);
}

}  // namespace
