#pragma once
// Small scanning helpers shared by the section readers of the rule, database,
// processor, scheduler and web sections. They read numbers and words the way
// the C scanning functions do ("%s" ends at white space, "%d" skips leading
// white space and takes a sign and digits), independent of the process locale,
// and never look beyond the text they are given.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// True for the white space of the C locale (space, \t, \n, \v, \f, \r).
bool qv_isCSpace(char c);

/// A cursor over one line that reads like "%Ns" and "%d" in turn.
class qv_line_scanner {
 public:
  explicit qv_line_scanner(std::string_view line) : line_(line) {}

  /// Like "%Ns": skips white space and takes up to `maxLength` characters up
  /// to the next white space (the rest of a longer word is left for the next
  /// read). False when nothing is left.
  [[nodiscard]] bool word(std::string& out, size_t maxLength = std::string::npos);
  /// Like "%d": skips white space, reads an optional sign and at least one
  /// digit. Values beyond the 32-bit range saturate. False (and the cursor
  /// stays) when no number stands there.
  [[nodiscard]] bool integer(int& out);
  /// The text not read yet.
  std::string_view rest() const { return line_.substr(pos_); }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

/// "%d" at the start of `text` (leading white space skipped); nullopt when no
/// number stands there.
std::optional<int> qv_leadingInt(std::string_view text);

/// "%*s %d": the number after the first word of `line`, or nullopt.
std::optional<int> qv_intAfterFirstWord(std::string_view line);

/// The text between the first and the last double quote of `text`; nullopt
/// when it holds fewer than two double quotes.
std::optional<std::string_view> qv_betweenOuterQuotes(std::string_view text);

/// The non-empty tokens of `text` separated by any of `separators`.
std::vector<std::string_view> qv_splitTokens(std::string_view text, std::string_view separators);

/// `text` without leading characters from `skip`.
std::string_view qv_skipChars(std::string_view text, std::string_view skip);
