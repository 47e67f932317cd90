#pragma once
// The field splitter of the peptide value strings, and the small number
// readers the companion keys need. All of them work on views of a value text
// and never read outside it.
#include <cstddef>
#include <optional>
#include <string_view>

namespace qv_results {

/// Walks a value text token by token. Each call names its separator
/// characters; leading spaces and tabs of a token are skipped. A token that
/// begins with a double quote is quoted: the quote is skipped and also ends
/// the token, and the position then moves past as many characters as there
/// are separators including the quote (so `"ACC":` is stepped over whole).
/// A token at the very end of the text is available and empty; once the
/// position has moved past the end, no token is available.
class FieldSplitter {
 public:
  explicit FieldSplitter(std::string_view text) : text_(text) {}

  /// Takes the next token; false (token untouched) when the position is past the end.
  [[nodiscard]] bool next(std::string_view separators, std::string_view& token);

  /// True when only spaces and tabs (or nothing) remain.
  bool restIsBlank() const;
  /// The text from the current position on (empty when past the end).
  std::string_view rest() const { return pos_ < text_.size() ? text_.substr(pos_) : std::string_view(); }
  size_t position() const { return pos_; }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

/// The leading integer of `text` after spaces and tabs, with an optional
/// sign; nullopt when no digit follows. The value saturates at the 32-bit range.
std::optional<int> readInteger(std::string_view text);

/// True when `text` is, apart from surrounding spaces and tabs, one integer.
bool isWholeInteger(std::string_view text);

}  // namespace qv_results
