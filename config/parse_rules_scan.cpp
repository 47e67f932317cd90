#include "config/parse_rules_scan.h"

#include <climits>
#include <cstdint>

bool qv_isCSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool qv_line_scanner::word(std::string& out, size_t maxLength) {
  size_t i = pos_;
  while (i < line_.size() && qv_isCSpace(line_[i])) ++i;
  if (i >= line_.size() || maxLength == 0) return false;
  size_t end = i;
  while (end < line_.size() && !qv_isCSpace(line_[end]) && end - i < maxLength) ++end;
  out.assign(line_.substr(i, end - i));
  pos_ = end;
  return true;
}

bool qv_line_scanner::integer(int& out) {
  size_t i = pos_;
  while (i < line_.size() && qv_isCSpace(line_[i])) ++i;
  bool negative = false;
  if (i < line_.size() && (line_[i] == '+' || line_[i] == '-')) {
    negative = line_[i] == '-';
    ++i;
  }
  if (i >= line_.size() || line_[i] < '0' || line_[i] > '9') return false;
  int64_t value = 0;
  while (i < line_.size() && line_[i] >= '0' && line_[i] <= '9') {
    if (value <= INT_MAX) value = value * 10 + (line_[i] - '0');  // saturates below
    ++i;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  if (value < INT_MIN) value = INT_MIN;
  out = static_cast<int>(value);
  pos_ = i;
  return true;
}

std::optional<int> qv_leadingInt(std::string_view text) {
  qv_line_scanner scan(text);
  int value = 0;
  if (!scan.integer(value)) return std::nullopt;
  return value;
}

std::optional<int> qv_intAfterFirstWord(std::string_view line) {
  qv_line_scanner scan(line);
  std::string skipped;
  int value = 0;
  if (!scan.word(skipped) || !scan.integer(value)) return std::nullopt;
  return value;
}

std::optional<std::string_view> qv_betweenOuterQuotes(std::string_view text) {
  const size_t first = text.find('"');
  const size_t last = text.rfind('"');
  if (first == std::string_view::npos || last == first) return std::nullopt;
  return text.substr(first + 1, last - first - 1);
}

std::vector<std::string_view> qv_splitTokens(std::string_view text, std::string_view separators) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && separators.find(text[i]) != std::string_view::npos) ++i;
    size_t end = i;
    while (end < text.size() && separators.find(text[end]) == std::string_view::npos) ++end;
    if (end > i) tokens.push_back(text.substr(i, end - i));
    i = end;
  }
  return tokens;
}

std::string_view qv_skipChars(std::string_view text, std::string_view skip) {
  size_t i = 0;
  while (i < text.size() && skip.find(text[i]) != std::string_view::npos) ++i;
  return text.substr(i);
}
