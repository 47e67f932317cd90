#pragma once
// Locale-independent scanning of configuration text, shared by every section
// reader of the configuration. It reads numbers and words the way the classic
// C scanning reads ("%*s %d", "%Ns", "%d", "%f", "%o") accept them: white space
// of the C locale skipped, an optional sign, digits, a decimal point that is
// always '.', and never a look beyond the text it is given.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv_scan {

/// True for the white space of the C locale (space, \t, \n, \v, \f, \r).
inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

/// What is left behind the first word ("%*s "): leading blanks, the first run
/// of non-blanks and the blanks behind it are skipped.
std::string_view afterFirstWord(std::string_view line);

/// `text` without leading characters found in `set`.
std::string_view skipChars(std::string_view text, std::string_view set);

/// "%d" at the start of `text`: leading white space skipped, an optional sign
/// and at least one digit; values beyond the 32-bit range saturate. nullopt
/// when no number stands there.
std::optional<int> readInt(std::string_view text);
/// An octal number at the start of `text` (blanks skipped); nullopt when no digit.
std::optional<unsigned> readOctal(std::string_view text);
/// The first word of `text` (blanks skipped); nullopt when there is none.
std::optional<std::string> readWord(std::string_view text);

/// "%*s %d": the number after the first word of `line`, or nullopt.
std::optional<int> intAfterFirstWord(std::string_view line);

/// The text between the first and the last double quote of `text`; nullopt
/// when it holds fewer than two double quotes.
std::optional<std::string_view> betweenOuterQuotes(std::string_view text);

/// A decimal number at the start of `text`.
struct Real {
  enum Status { NoNumber, Finite, NotFinite } status = NoNumber;
  double value = 0;
};
/// Reads a double precision number (leading blanks skipped, optional sign).
Real readDouble(std::string_view text);
/// Reads a single precision number and widens it.
Real readFloat(std::string_view text);

/// `text` split at any of the characters of `separators`, empty tokens skipped.
std::vector<std::string_view> tokens(std::string_view text, std::string_view separators);

/// A cursor over one line that reads like "%Ns" and "%d" in turn.
class LineScanner {
 public:
  explicit LineScanner(std::string_view line) : line_(line) {}

  /// Like "%Ns": skips white space and takes up to `maxLength` characters up
  /// to the next white space (the rest of a longer word is left for the next
  /// read). False when nothing is left.
  [[nodiscard]] bool word(std::string& out, size_t maxLength = std::string::npos);
  /// Like "%d" (see readInt). False (and the cursor stays) when no number
  /// stands there.
  [[nodiscard]] bool integer(int& out);
  /// The text not read yet.
  std::string_view rest() const { return line_.substr(pos_); }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

}  // namespace qv_scan
