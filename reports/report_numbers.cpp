#include "reports/report_numbers.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace qv_reports {

namespace {

// 10^0 to 10^22: every one of them is a double exactly.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// `magnitude` (positive, finite) times 10^shift, with one rounding: the
// power of ten is exact for |shift| <= 22, so the product or quotient is
// the correctly rounded value of the exact one.
double scaled(double magnitude, int shift) {
  return shift >= 0 ? magnitude * kPow10[shift] : magnitude / kPow10[-shift];
}

// Writes the 6 significant digits `digits` (100000 to 999999) of a value
// whose decimal exponent is `exponent` as "%g" does: fixed notation for
// exponents -4 to 5, else d.ddddde+XX; trailing zeros of the fraction and a
// bare decimal point are dropped. Returns the end of what it wrote.
char* writeGeneral(char* p, uint32_t digits, int exponent) {
  static constexpr char kPairs[] =
      "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
      "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
      "8081828384858687888990919293949596979899";
  char d[6];
  const uint32_t high = digits / 10000, middle = digits / 100 % 100, low = digits % 100;
  std::memcpy(d, kPairs + 2 * high, 2);
  std::memcpy(d + 2, kPairs + 2 * middle, 2);
  std::memcpy(d + 4, kPairs + 2 * low, 2);
  int significant = 6;  // digits left once trailing zeros are dropped
  while (significant > 1 && d[significant - 1] == '0') --significant;
  if (exponent >= -4 && exponent < 6) {
    if (exponent >= 0) {
      const int whole = exponent + 1;
      std::memcpy(p, d, static_cast<size_t>(whole));
      p += whole;
      if (significant > whole) {
        *p++ = '.';
        std::memcpy(p, d + whole, static_cast<size_t>(significant - whole));
        p += significant - whole;
      }
    } else {
      *p++ = '0';
      *p++ = '.';
      for (int i = -1; i > exponent; --i) *p++ = '0';
      std::memcpy(p, d, static_cast<size_t>(significant));
      p += significant;
    }
    return p;
  }
  *p++ = d[0];
  if (significant > 1) {
    *p++ = '.';
    std::memcpy(p, d + 1, static_cast<size_t>(significant - 1));
    p += significant - 1;
  }
  *p++ = 'e';
  *p++ = exponent < 0 ? '-' : '+';
  const int e = exponent < 0 ? -exponent : exponent;
  if (e >= 100) *p++ = static_cast<char>('0' + e / 100);
  *p++ = static_cast<char>('0' + e / 10 % 10);
  *p++ = static_cast<char>('0' + e % 10);
  return p;
}

// The fast path of writeDouble: nullptr, writing nothing, when the value is
// outside the range it handles or one rounded multiplication cannot tell
// which way its sixth digit rounds.
char* writeGeneralFast(char* out, double value) {
  const double magnitude = std::fabs(value);
  // 10^-17 to 10^27: the decimal exponent e then needs a shift 5 - e of at
  // most 22 either way. Zero, subnormals, infinities and NaN fail here.
  if (!(magnitude >= 1e-17 && magnitude < 1e27)) return nullptr;
  // The binary exponent from the bits (a normal number here), and from it
  // floor(log10(magnitude)) or one less: log10(2) is about 78913 / 2^18.
  const int binaryExponent = static_cast<int>(std::bit_cast<uint64_t>(magnitude) >> 52) - 1023;
  int exponent = (binaryExponent * 78913) >> 18;
  if (5 - exponent > 22) return nullptr;  // just above 10^-17: one too small
  double x = scaled(magnitude, 5 - exponent);
  if (x >= 1e6) {
    ++exponent;
    x = scaled(magnitude, 5 - exponent);
  }
  // A value a hair below a power of ten can come out of the multiplication
  // as 10^6 and then, one decade on, below 10^5.
  if (x < 1e5) return nullptr;
  // x, in [1e5, 1e6), is the exact value rounded once. Rounding is
  // monotonic and every n + 0.5 there is a double, so an exact value above
  // (below) a half gives x at or above (at or below) it: x decides the
  // rounding of the sixth digit except when it is a half itself, which may
  // be an exact tie (printf takes the even digit) or not: leave those to
  // the exact formatter.
  const uint32_t whole = static_cast<uint32_t>(x);
  const double fraction = x - whole;
  if (fraction == 0.5) return nullptr;
  uint32_t digits = whole + (fraction > 0.5 ? 1 : 0);
  if (digits == 1000000) {  // 999999.5 and above round up into the next decade
    digits = 100000;
    ++exponent;
  }
  if (std::signbit(value)) *out++ = '-';
  return writeGeneral(out, digits, exponent);
}

}  // namespace

char* writeInt(char* out, int64_t value) { return std::to_chars(out, out + kMaxNumberLength, value).ptr; }

char* writeDouble(char* out, double value) {
  // A report writes millions of masses and expectation values; the exact
  // formatter costs some 100 ns each, the fast path a fraction of that and
  // gives the same bytes wherever it answers.
  if (char* end = writeGeneralFast(out, value)) return end;
  // to_chars with a precision formats exactly as printf does with "%.6g",
  // without printf's cost of parsing a format and consulting the locale.
  return std::to_chars(out, out + kMaxNumberLength, value, std::chars_format::general, 6).ptr;
}

void appendInt(std::string& out, int64_t value) {
  char buf[kMaxNumberLength];
  out.append(buf, writeInt(buf, value));
}

void appendDouble(std::string& out, double value) {
  char buf[kMaxNumberLength];
  out.append(buf, writeDouble(buf, value));
}

int32_t roundedScore(double value) {
  const double v = value + 0.5;
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace qv_reports
