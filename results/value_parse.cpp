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

double leadingDouble(std::string_view text) {
  size_t i = skipBlanks(text);
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Only a plain decimal form: no hexadecimal, infinity or NaN spellings.
  if (i >= text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) return 0.0;
  double value = 0.0;
  const auto r = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) {
    // Overflow gives infinity and underflow zero, as the C library reads them.
    value = std::strtod(std::string(text.substr(i)).c_str(), nullptr);
  } else if (r.ec != std::errc()) {
    value = 0.0;
  }
  return negative ? -value : value;
}

}  // namespace qv_results
