#include "config/config_scan.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <vector>

namespace qv_scan {

namespace {

std::string_view skipSpaces(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  return text.substr(i);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string_view afterFirstWord(std::string_view line) {
  line = skipSpaces(line);
  size_t i = 0;
  while (i < line.size() && !isSpace(line[i])) ++i;
  return skipSpaces(line.substr(i));
}

std::string_view skipChars(std::string_view text, std::string_view set) {
  const size_t i = text.find_first_not_of(set);
  return i == std::string_view::npos ? std::string_view() : text.substr(i);
}

namespace {

// "%d" at the start of `text`; on success `used` is the length read,
// leading white space included.
std::optional<int> scanInt(std::string_view text, size_t& used) {
  size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
  long long v = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (v <= static_cast<long long>(INT_MAX) + 1) v = v * 10 + (text[i] - '0');  // saturates below
  }
  if (negative) v = -v;
  used = i;
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

}  // namespace

std::optional<int> readInt(std::string_view text) {
  size_t used = 0;
  return scanInt(text, used);
}

std::optional<unsigned> readOctal(std::string_view text) {
  text = skipSpaces(text);
  if (!text.empty() && text[0] == '+') text.remove_prefix(1);
  if (text.empty() || text[0] < '0' || text[0] > '7') return std::nullopt;
  unsigned v = 0;
  for (size_t i = 0; i < text.size() && text[i] >= '0' && text[i] <= '7'; ++i) {
    v = v * 8 + static_cast<unsigned>(text[i] - '0');
  }
  return v;
}

std::optional<std::string> readWord(std::string_view text) {
  text = skipSpaces(text);
  size_t i = 0;
  while (i < text.size() && !isSpace(text[i])) ++i;
  if (i == 0) return std::nullopt;
  return std::string(text.substr(0, i));
}

namespace {

template <typename T>
Real readReal(std::string_view text) {
  text = skipSpaces(text);
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text[0] == '-') return {};  // "+-1" is no number
  }
  T v = 0;
  const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  Real r;
  if (ptr == text.data()) return r;
  if (ec == std::errc::result_out_of_range || !std::isfinite(v)) {
    r.status = Real::NotFinite;
    return r;
  }
  if (ec != std::errc()) return r;
  r.status = Real::Finite;
  r.value = static_cast<double>(v);
  return r;
}

}  // namespace

Real readDouble(std::string_view text) { return readReal<double>(text); }
Real readFloat(std::string_view text) { return readReal<float>(text); }

std::vector<std::string_view> tokens(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    i = text.find_first_not_of(separators, i);
    if (i == std::string_view::npos) break;
    size_t j = text.find_first_of(separators, i);
    if (j == std::string_view::npos) j = text.size();
    out.push_back(text.substr(i, j - i));
    i = j;
  }
  return out;
}

std::optional<int> intAfterFirstWord(std::string_view line) {
  LineScanner scan(line);
  std::string skipped;
  int value = 0;
  if (!scan.word(skipped) || !scan.integer(value)) return std::nullopt;
  return value;
}

std::optional<std::string_view> betweenOuterQuotes(std::string_view text) {
  const size_t first = text.find('"');
  const size_t last = text.rfind('"');
  if (first == std::string_view::npos || last == first) return std::nullopt;
  return text.substr(first + 1, last - first - 1);
}

bool LineScanner::word(std::string& out, size_t maxLength) {
  size_t i = pos_;
  while (i < line_.size() && isSpace(line_[i])) ++i;
  if (i >= line_.size() || maxLength == 0) return false;
  size_t end = i;
  while (end < line_.size() && !isSpace(line_[end]) && end - i < maxLength) ++end;
  out.assign(line_.substr(i, end - i));
  pos_ = end;
  return true;
}

bool LineScanner::integer(int& out) {
  size_t used = 0;
  const std::optional<int> value = scanInt(rest(), used);
  if (!value) return false;
  out = *value;
  pos_ += used;
  return true;
}

}  // namespace qv_scan
