#pragma once
// Walking the line starts of a text sixty-four bytes at a time: the line
// feeds of each stretch become the bits of a mask, so a line costs a few
// instructions instead of a call that searches for its end.
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv_results {

namespace detail {

// Bit k set where p[k] is a line feed, for k from 0 to 63, a byte at a time:
// the plain version that the tests hold lineFeedMask64 to, and the one used
// where SSE2 is not to be had.
inline uint64_t lineFeedMask64Plain(const char* p) {
  uint64_t mask = 0;
  for (int k = 0; k < 64; ++k) mask |= static_cast<uint64_t>(p[k] == '\n') << k;
  return mask;
}

// The same, sixteen bytes at a time.
inline uint64_t lineFeedMask64(const char* p) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  uint64_t mask = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    mask |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))) << (16 * k);
  }
  return mask;
#else
  return lineFeedMask64Plain(p);
#endif
}

}  // namespace detail

/// Calls f(o) for `from` and for the position after every line feed at or
/// after `from`, in order, while that position is below `stop`; lines are
/// searched for their ends up to `length`, the text's length, and nothing
/// at or beyond it is read. `from` must be the start of a line. f returns
/// false to end the walk early.
template <typename F>
void forEachLineStart(const char* data, uint32_t length, uint32_t from, uint32_t stop, F&& f) {
  if (from >= stop || !f(from)) return;
  uint32_t p = from;
  for (; p + 64 <= length; p += 64) {
    for (uint64_t mask = detail::lineFeedMask64(data + p); mask != 0; mask &= mask - 1) {
      const uint32_t start = p + static_cast<uint32_t>(__builtin_ctzll(mask)) + 1;
      if (start >= stop || !f(start)) return;
    }
  }
  for (; p < length; ++p) {
    if (data[p] != '\n') continue;
    if (p + 1 >= stop || !f(p + 1)) return;
  }
}

}  // namespace qv_results
