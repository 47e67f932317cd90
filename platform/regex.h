#pragma once
// Regular expressions of the configuration's parse and taxonomy rules: the
// system's POSIX expressions in basic syntax, matched without regard to case.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qv_platform {

/// A compiled expression. Owns the system's compiled form and frees it when
/// destroyed. Not copyable; share it through a pointer.
class qv_regex {
 public:
  ~qv_regex();
  qv_regex(const qv_regex&) = delete;
  qv_regex& operator=(const qv_regex&) = delete;

  /// Compiles `pattern` (basic syntax, case-insensitive). On failure returns
  /// nullptr and puts the library's error text, at most 127 characters, into
  /// `errorText`. A NUL byte ends the pattern, as it would a C text.
  static std::unique_ptr<qv_regex> compile(std::string_view pattern, std::string& errorText);

  /// Number of parenthesised sub-expressions in the pattern.
  size_t subExpressionCount() const;

  /// Matches `text` (a NUL byte ends it). On a match returns the text of the
  /// first sub-expression (empty when the pattern has none or it did not
  /// take part); nullopt when the text does not match.
  std::optional<std::string> match(std::string_view text) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;

 public:
  /// Used by compile(); the compiled form is private to the implementation.
  explicit qv_regex(std::unique_ptr<Impl> impl);
};

}  // namespace qv_platform
