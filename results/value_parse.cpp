#include "results/value_parse.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace qv_results {
namespace {

size_t skipBlanks(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  return i;
}

// The plain decimal at p (digits, a point, digits; no exponent after it) as
// m / 10^decimals when that is exact, see above; false to leave it to the
// library.
bool exactDecimal(const char* p, const char* end, double& value) {
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  uint64_t m = 0;
  int digits = 0;
  int decimals = 0;
  for (; p < end && *p >= '0' && *p <= '9'; ++p, ++digits) m = m * 10 + static_cast<uint64_t>(*p - '0');
  if (p < end && *p == '.') {
    for (++p; p < end && *p >= '0' && *p <= '9'; ++p, ++digits, ++decimals) m = m * 10 + static_cast<uint64_t>(*p - '0');
  }
  // More than 19 digits may have wrapped m: such a number is refused.
  if (digits == 0 || digits > 19 || decimals > 22 || m > (uint64_t{1} << 53)) return false;
  if (p < end && (*p == 'e' || *p == 'E')) return false;
  value = static_cast<double>(m) / kPowers[decimals];
  return true;
}

}  // namespace

int leadingInt(std::string_view text) {
  size_t i = skipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t value = 0;
  constexpr int64_t kLimit = static_cast<int64_t>(std::numeric_limits<int>::max()) + 1;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kLimit) value = kLimit;
  }
  if (negative) return static_cast<int>(-value);
  return static_cast<int>(value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : value);
}

namespace {

double leadingDoubleIn(std::string_view text, bool byLibrary) {
  size_t i = skipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Only a plain decimal form: no hexadecimal, infinity or NaN spellings.
  if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0.0;
  double value = 0.0;
  if (!byLibrary && exactDecimal(text.data() + i, text.data() + text.size(), value)) return negative ? -value : value;
  const auto r = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity and underflow zero, as the C library reads them.
    value = std::strtod(std::string(text.substr(i)).c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

}  // namespace

double leadingDouble(std::string_view text) { return leadingDoubleIn(text, false); }

double leadingDoubleByLibrary(std::string_view text) { return leadingDoubleIn(text, true); }

}  // namespace qv_results
