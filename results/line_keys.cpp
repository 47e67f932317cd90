#include "results/line_keys.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <array>
#include <cstring>

namespace qv_results {
namespace {

constexpr std::array<unsigned char, 256> makeFoldTable() {
  std::array<unsigned char, 256> t{};
  for (int c = 0; c < 256; ++c)
    t[static_cast<size_t>(c)] = static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  return t;
}
constexpr std::array<unsigned char, 256> kFold = makeFoldTable();

// A key runs to its line's first "=": a CR before it is part of the key.
inline bool endsLineKey(char c) { return c == '=' || c == '\n' || c == '\0'; }

using detail::firstKeyEnd;
using detail::kHighs;
using detail::kOnes;
using detail::load8;

// The word with ASCII lower-case letters made upper case.
inline uint64_t foldWord(uint64_t w) {
  const uint64_t heptets = w & ~kHighs;
  const uint64_t aboveZ = heptets + kOnes * (0x7F - 'z');
  const uint64_t atLeastA = heptets + kOnes * (0x80 - 'a');
  const uint64_t lower = ~w & (atLeastA ^ aboveZ) & kHighs;
  return w - (lower >> 2);
}

}  // namespace

// Compares eight bytes at a time: both keys are read up to eight bytes past
// their ends, which the text allows with its kTextPadding zero bytes.
int compareLineKeys(const char* a, const char* b) {
  for (size_t i = 0;; i += 8) {
    const uint64_t wa = load8(a + i);
    const uint64_t wb = load8(b + i);
    const unsigned ea = firstKeyEnd(wa);
    const unsigned eb = firstKeyEnd(wb);
    const uint64_t diff = foldWord(wa) ^ foldWord(wb);
    const unsigned d = diff == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(diff)) / 8;
    const unsigned e = ea < eb ? ea : eb;
    if (e < 8 && e <= d) return ea == eb ? 0 : (ea < eb ? -1 : 1);
    if (d < 8) {
      const unsigned char ca = kFold[static_cast<unsigned char>(a[i + d])];
      const unsigned char cb = kFold[static_cast<unsigned char>(b[i + d])];
      return ca < cb ? -1 : 1;
    }
  }
}

int compareKeys(const char* line, std::string_view key) {
  size_t i = 0;
  for (;; ++i) {
    const char a = line[i];
    const bool aEnd = endsLineKey(a);
    const bool bEnd = i >= key.size() || key[i] == '=';
    if (aEnd || bEnd) return aEnd == bEnd ? 0 : (aEnd ? -1 : 1);
    const unsigned char fa = kFold[static_cast<unsigned char>(a)];
    const unsigned char fb = kFold[static_cast<unsigned char>(key[i])];
    if (fa != fb) return fa < fb ? -1 : 1;
  }
}

PaddedKey::PaddedKey(std::string_view key) {
  size_t length = 0;
  while (length < key.size() && key[length] != '=') {
    const char c = key[length];
    if (c == '\n' || c == '\0') return;  // no line has such a key
    ++length;
  }
  if (length <= kSmall) {
    std::memcpy(small_, key.data(), length);
    std::memset(small_ + length, 0, 8);
  } else {
    large_.assign(key.substr(0, length));
    large_.append(8, '\0');
    text_ = large_.c_str();
  }
  usable_ = true;
}

// Words up to and including the one that holds the key's end ("=", LF or
// NUL), the bytes from the end on cleared, mixed into 64 bits. Letter case
// is merged by setting bit 0x20 of every byte, which only makes more keys
// share a hash, never gives equal keys different ones.
uint64_t hashKey(const char* text, size_t* keyLength) {
  uint64_t h = 0x243F6A8885A308D3ULL;
  for (size_t i = 0;; i += 8) {
    uint64_t w = load8(text + i);
    const unsigned e = firstKeyEnd(w);
    if (e < 8) w &= e == 0 ? 0 : (~uint64_t{0} >> (64 - 8 * e));
    h = (h ^ (w | (kOnes * 0x20))) * 0x9E3779B97F4A7C15ULL;
    h ^= h >> 29;
    if (e < 8) {
      if (keyLength != nullptr) *keyLength = i + e;
      return h ^ (h >> 32);
    }
  }
}

uint8_t keyTag(const char* text) {
  uint64_t w = load8(text);
  const uint64_t eq = w ^ (kOnes * '=');
  const uint64_t stops = ((eq - kOnes) & ~eq & kHighs) | ((w - kOnes * 0x0E) & ~w & kHighs);
  const unsigned e = stops == 0 ? 8 : static_cast<unsigned>(__builtin_ctzll(stops)) / 8;
  if (e < 8) w &= e == 0 ? 0 : (~uint64_t{0} >> (64 - 8 * e));
  return static_cast<uint8_t>(((w | (kOnes * 0x20)) * 0x9E3779B97F4A7C15ULL) >> 56);
}

size_t lineRestLengthPlain(const char* text) {
  size_t n = 0;
  while (text[n] != '\r' && text[n] != '\n' && text[n] != '\0') ++n;
  return n;
}

size_t lineRestLength(const char* text) {
#if defined(__SSE2__)
  // A value is a hundred bytes or more: sixteen at a time.
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i nul = _mm_setzero_si128();
  for (size_t i = 0;; i += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
    const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)), _mm_cmpeq_epi8(v, nul));
    const unsigned m = static_cast<unsigned>(_mm_movemask_epi8(ends));
    if (m != 0) return i + static_cast<unsigned>(__builtin_ctz(m));
  }
#else
  return lineRestLengthPlain(text);
#endif
}

}  // namespace qv_results
