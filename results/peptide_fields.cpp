#include "results/peptide_fields.h"

#include <string>

#include "results/value_parse.h"

namespace qv_results {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

bool FieldSplitter::next(std::string_view separators, std::string_view& token) {
  if (pos_ > text_.size()) return false;
  while (pos_ < text_.size() && isBlank(text_[pos_])) ++pos_;
  size_t step = separators.size();
  bool quoted = pos_ < text_.size() && text_[pos_] == '"';
  if (quoted) ++pos_;
  size_t end = pos_;
  while (end < text_.size()) {
    char c = text_[end];
    if (separators.find(c) != std::string_view::npos || (quoted && c == '"')) break;
    ++end;
  }
  if (quoted) ++step;
  token = text_.substr(pos_, end - pos_);
  // Moving by the separator count can step beyond the text; the next call
  // then reports that nothing is left.
  pos_ = end + step;
  if (pos_ > text_.size() + 1) pos_ = text_.size() + 1;
  if (step == 0) pos_ = text_.size() + 1;  // no separators: the token was the rest
  return true;
}

bool FieldSplitter::restIsBlank() const {
  for (size_t i = pos_; i < text_.size(); ++i)
    if (!isBlank(text_[i])) return false;
  return true;
}

std::optional<int> readInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  if (i >= text.size() || !isDigit(text[i])) return std::nullopt;
  return leadingInt(text);
}

bool isWholeInteger(std::string_view text) {
  text = trimBlanks(text);
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text)
    if (!isDigit(c)) return false;
  return true;
}

}  // namespace qv_results
