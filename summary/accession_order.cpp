#include "summary/accession_order.h"

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The digits of the integer that starts at the first digit, without leading
// zeros ("" for 0 and for no digit at all).
std::string_view leadingInteger(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && !isDigit(s[i])) ++i;
  while (i < s.size() && s[i] == '0') ++i;
  size_t end = i;
  while (end < s.size() && isDigit(s[end])) ++end;
  return s.substr(i, end - i);
}

bool hasDigit(std::string_view s) {
  for (char c : s)
    if (isDigit(c)) return true;
  return false;
}

}  // namespace

int qv_compareAccessions(std::string_view a, std::string_view b) {
  if (hasDigit(a) || hasDigit(b)) {
    std::string_view x = leadingInteger(a), y = leadingInteger(b);
    if (x.size() != y.size()) return x.size() < y.size() ? -1 : 1;
    int c = x.compare(y);
    if (c != 0) return c;
  }
  int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
