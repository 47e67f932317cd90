#pragma once
// ASCII letter case and hexadecimal digits, byte by byte. Only the 26
// letters change case; every other byte, including each byte from 0x80 up,
// is left as it is, whatever the process locale: the C library's tolower and
// toupper follow the locale, and in a single-byte locale they change bytes
// from 0x80 up as well.
#include <string>
#include <string_view>

namespace qv_platform {

/// True for 'a' to 'z'.
constexpr bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
/// True for 'A' to 'Z'.
constexpr bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }

/// 'A' to 'Z' become 'a' to 'z'; every other byte is returned unchanged.
constexpr char asciiLower(char c) { return isAsciiUpper(c) ? static_cast<char>(c - 'A' + 'a') : c; }
/// 'a' to 'z' become 'A' to 'Z'; every other byte is returned unchanged.
constexpr char asciiUpper(char c) { return isAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

/// `text` with its ASCII letters in lower case.
inline std::string asciiLower(std::string text) {
  for (char& c : text) c = asciiLower(c);
  return text;
}
/// `text` with its ASCII letters in upper case.
inline std::string asciiUpper(std::string text) {
  for (char& c : text) c = asciiUpper(c);
  return text;
}

/// Whether `a` and `b` are the same bytes once ASCII letters are folded to
/// one case.
constexpr bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (asciiLower(a[i]) != asciiLower(b[i])) return false;
  }
  return true;
}

/// Whether `text` begins with `prefix`, ASCII letters compared in one case.
constexpr bool startsWithIgnoringAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equalsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

/// The value of a hexadecimal digit ('0'-'9', 'a'-'f', 'A'-'F'); -1 for any
/// other byte.
constexpr int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace qv_platform
