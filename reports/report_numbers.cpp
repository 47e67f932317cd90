#include "reports/report_numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace qv_reports {

void appendInt(std::string& out, int64_t value) {
  char buf[24];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void appendDouble(std::string& out, double value) {
  // to_chars with a precision formats exactly as printf does with "%.6g",
  // without printf's cost of parsing a format and consulting the locale.
  char buf[32];
  const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 6);
  out.append(buf, r.ptr);
}

int32_t roundedScore(double value) {
  const double v = value + 0.5;
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

}  // namespace qv_reports
