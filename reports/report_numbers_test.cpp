// The reports' double formatting against printf's "%g" over many values:
// random bit patterns, masses and expectation values as reports write them,
// ties and near-ties at the sixth digit, and the neighbours of every power
// of ten, where the notation and the number of digits change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "reports/report_numbers.h"

namespace {

std::string formatted(double value) {
  std::string out = "x";  // appends, never replaces
  qv_reports::appendDouble(out, value);
  return out.substr(1);
}

std::string printfG(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

// Checks the value, its negation and its two neighbours.
void expectLikePrintf(double value) {
  for (double v : {value, -value, std::nextafter(value, 0.0), std::nextafter(value, INFINITY)}) {
    ASSERT_EQ(formatted(v), printfG(v)) << std::hexfloat << v;
  }
}

TEST(ReportNumbers, RandomBitPatternsMatchPrintf) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    const uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    ASSERT_EQ(formatted(value), printfG(value)) << std::hexfloat << value;
  }
}

TEST(ReportNumbers, ValuesOfEveryDecadeMatchPrintf) {
  // Uniform mantissas in every binary exponent the fast path and its edges
  // cover (about 1e-20 to 1e30).
  std::mt19937_64 random(12);
  std::uniform_real_distribution<double> mantissa(0.5, 1.0);
  for (int e = -70; e <= 100; ++e)
    for (int i = 0; i < 2000; ++i) expectLikePrintf(std::ldexp(mantissa(random), e));
}

TEST(ReportNumbers, MassesScoresAndExpectationValuesMatchPrintf) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> mass(300.0, 6000.0);
  std::uniform_real_distribution<double> score(0.0, 120.0);
  for (int i = 0; i < 100000; ++i) {
    const double m = mass(random);
    expectLikePrintf(m);
    // A mass as a results file writes it (six decimals), read back.
    expectLikePrintf(std::round(m * 1e6) / 1e6);
    const double s = std::round(score(random) * 100) / 100;
    expectLikePrintf(s);
    expectLikePrintf(1500.0 * 0.05 / std::pow(10.0, s / 10));
  }
}

TEST(ReportNumbers, HalfwayDigitsRoundAsPrintfDoes) {
  // Exact ties at the seventh significant digit (printf takes the even
  // neighbour), and decimal halves that are not exact, in all notations.
  for (int64_t n = 100000; n < 1000000; n += 53) {
    const double tie = static_cast<double>(n) + 0.5;  // exact in binary
    expectLikePrintf(tie);
    expectLikePrintf(std::ldexp(tie, -10));  // still exact, other digits
    expectLikePrintf(std::ldexp(tie, 20));
    for (int shift : {-12, -9, -6, -5, -4, -3, -1, 1, 3, 6, 12}) {
      const double half = (static_cast<double>(n) * 10 + 5) * std::pow(10.0, shift - 1);
      expectLikePrintf(half);
    }
  }
  EXPECT_EQ(formatted(0.5), "0.5");
  EXPECT_EQ(formatted(1234565.0), "1.23456e+06");  // tie to even
  EXPECT_EQ(formatted(1234575.0), "1.23458e+06");  // tie to even
  EXPECT_EQ(formatted(999999.5), "1e+06");
  EXPECT_EQ(formatted(123456.5), "123456");
  EXPECT_EQ(formatted(2.5), "2.5");
}

TEST(ReportNumbers, NeighboursOfPowersOfTenMatchPrintf) {
  for (int e = -30; e <= 30; ++e) {
    const double p = std::pow(10.0, e);
    double below = p, above = p;
    for (int i = 0; i < 50; ++i) {
      below = std::nextafter(below, 0.0);
      above = std::nextafter(above, INFINITY);
      ASSERT_EQ(formatted(below), printfG(below)) << std::hexfloat << below;
      ASSERT_EQ(formatted(above), printfG(above)) << std::hexfloat << above;
    }
    expectLikePrintf(p);
    expectLikePrintf(p * 0.9999995);  // rounds up into the next decade
    expectLikePrintf(p * 0.99999949);
    expectLikePrintf(p * 9.999995);
  }
}

TEST(ReportNumbers, ZerosInfinitiesNansAndSubnormalsMatchPrintf) {
  for (double v : {0.0, -0.0, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                   std::numeric_limits<double>::quiet_NaN(), -std::numeric_limits<double>::quiet_NaN(),
                   std::numeric_limits<double>::denorm_min(), std::numeric_limits<double>::min(),
                   std::numeric_limits<double>::max(), std::numeric_limits<double>::lowest(), 1e-17, 1e27,
                   1e-5, 1e-4, 0.0001, 1e5, 1e6, 100000.0, 999999.0, 1e15, 1e16, 1e22, 1e23}) {
    ASSERT_EQ(formatted(v), printfG(v)) << std::hexfloat << v;
  }
  EXPECT_EQ(formatted(0.00001), "1e-05");
  EXPECT_EQ(formatted(1e100), "1e+100");
  EXPECT_EQ(formatted(-1.5e-300), "-1.5e-300");
  EXPECT_EQ(formatted(123.456789), "123.457");
  EXPECT_EQ(formatted(-0.000123456789), "-0.000123457");
}

}  // namespace
