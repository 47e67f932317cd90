#pragma once
// The keys of the lines of a results file's text, read eight bytes at a time
// (SWAR): a key runs from the start of its line to the line's first "=" (a
// CR before it is part of the key), and keys compare without regard to the
// case of ASCII letters. The text is followed by kTextPadding zero bytes, so
// that a word read at a key's end never leaves the allocation. Each kernel
// has a plain counterpart (compareKeys, lineRestLengthPlain) that the tests
// hold it to.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace qv_results {

/// Zero bytes after the text's terminating NUL, so that a key can be read
/// eight bytes at a time, and the rest of a line sixteen at a time, up to
/// the end of the text.
inline constexpr size_t kTextPadding = 16;

/// Compares the key of a line (text up to its first "=", LF or NUL; a CR
/// before the "=" is part of the key) with `key` (up to "=" or its end),
/// ASCII letters without regard to case, by byte value; a key that is a
/// prefix of another sorts first. The plain version of compareLineKeys.
int compareKeys(const char* line, std::string_view key);
/// The same between two lines, eight bytes at a time; both must be padded.
int compareLineKeys(const char* a, const char* b);

/// A key asked for (up to its first "="), copied with zero padding so that
/// it hashes and compares like the key of a line.
class PaddedKey {
 public:
  explicit PaddedKey(std::string_view key);
  PaddedKey(const PaddedKey&) = delete;
  PaddedKey& operator=(const PaddedKey&) = delete;
  /// False when the key holds LF or NUL: no line has such a key.
  bool usable() const { return usable_; }
  const char* text() const { return text_; }

 private:
  static constexpr size_t kSmall = 56;
  char small_[kSmall + 8];
  std::string large_;
  const char* text_ = small_;
  bool usable_ = false;
};

/// Hash of a key (letters folded) up to its end; the text must be padded.
/// Equal keys give equal hashes. Sets *keyLength, when given, to the key's
/// length, as lineKeyLength() would.
uint64_t hashKey(const char* text, size_t* keyLength = nullptr);

/// A one-byte digest of a key's first eight bytes (letters folded); the
/// text must be padded. Equal keys give equal tags.
uint8_t keyTag(const char* text);

namespace detail {

inline constexpr uint64_t kOnes = 0x0101010101010101ULL;
inline constexpr uint64_t kHighs = 0x8080808080808080ULL;

inline uint64_t load8(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, sizeof w);
  return w;
}

// Index (0 to 8) of the first byte of the word that ends a key ("=", LF or
// NUL); 8 when none. Only the lowest flagged byte of each mask is exact,
// which is all that is used.
inline unsigned firstKeyEnd(uint64_t w) {
  const auto zeros = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  const uint64_t m = zeros(w) | zeros(w ^ (kOnes * '=')) | zeros(w ^ (kOnes * '\n'));
  return m == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(m)) / 8;
}

}  // namespace detail

/// Whether the n bytes at a and at b are equal, as memcmp tells, read
/// eight bytes at a time in place and never beyond either range: keys and
/// short texts of ten to thirty bytes, for which calling the library costs
/// more than the comparison.
inline bool sameBytes(const char* a, const char* b, size_t n) {
  if (n >= 8) {
    for (size_t i = 0; i + 8 < n; i += 8)
      if (detail::load8(a + i) != detail::load8(b + i)) return false;
    return detail::load8(a + n - 8) == detail::load8(b + n - 8);  // the last eight, overlapping the word before
  }
  for (size_t i = 0; i < n; ++i)
    if (a[i] != b[i]) return false;
  return true;
}

/// Length of the key of a line (up to "=", LF or NUL); the text must be padded.
inline size_t lineKeyLength(const char* line) {
  for (size_t i = 0;; i += 8) {
    const unsigned e = detail::firstKeyEnd(detail::load8(line + i));
    if (e < 8) return i + e;
  }
}
/// Bytes before the first CR, LF or NUL, read sixteen bytes at a time; the
/// text must be padded.
size_t lineRestLength(const char* text);
/// The same, a byte at a time, reading nothing after the end: the plain
/// version the tests hold lineRestLength to, and the one used where SSE2 is
/// not to be had.
size_t lineRestLengthPlain(const char* text);

/// True when the line holds a key: an "=" before its end. A line without
/// one (a blank line, stray text) equals no key that a lookup asks for.
inline bool lineHoldsKey(const char* line) { return line[lineKeyLength(line)] == '='; }

}  // namespace qv_results
