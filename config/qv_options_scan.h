#pragma once
// Locale-independent scanning of configuration values, matching what the
// classic "%*s %d", "%*s %s", "%*s %f" and "%*s %o" reads accept: blanks
// skipped, an optional sign, digits (a decimal point is always '.').
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv_scan {

/// True for the characters the scanf family counts as white space.
inline bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

/// What is left behind the first word ("%*s "): leading blanks, the first run
/// of non-blanks and the blanks behind it are skipped.
std::string_view afterFirstWord(std::string_view line);

/// `text` without leading characters found in `set`.
std::string_view skipChars(std::string_view text, std::string_view set);

/// A decimal integer at the start of `text` (leading blanks skipped, optional
/// sign); values beyond the 32-bit range are clamped. nullopt when no digit.
std::optional<int> readInt(std::string_view text);
/// An octal number at the start of `text` (blanks skipped); nullopt when no digit.
std::optional<unsigned> readOctal(std::string_view text);
/// The first word of `text` (blanks skipped); nullopt when there is none.
std::optional<std::string> readWord(std::string_view text);

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

}  // namespace qv_scan
