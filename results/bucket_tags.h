#pragma once
// The tags of a key table's bucket (key_table.h) compared with the tag of a
// key: ten 16-bit tags at the start of a 64-byte bucket, all at once.
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv_results {

namespace detail {

// Bit 2k set where tags[k] equals `tag`, for the ten slots of a bucket, one
// tag at a time: the plain version that the tests hold matchTags to, and the
// one used where SSE2 is not to be had.
inline unsigned matchTagsPlain(const uint16_t* tags, uint16_t tag) {
  unsigned mask = 0;
  for (unsigned k = 0; k < 10; ++k) mask |= (tags[k] == tag ? 1u : 0u) << (2 * k);
  return mask;
}

// The same, eight tags at a time (the first 32 of the bucket's 64 bytes are
// read; only the tags' lanes count).
inline unsigned matchTags(const uint16_t* tags, uint16_t tag) {
#if defined(__SSE2__)
  const __m128i wanted = _mm_set1_epi16(static_cast<short>(tag));
  const __m128i low = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tags));
  const __m128i high = _mm_loadu_si128(reinterpret_cast<const __m128i*>(tags + 8));
  const unsigned bytes = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(low, wanted))) |
                         (static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(high, wanted))) << 16);
  return bytes & 0x55555;  // one bit of each matching lane, lanes 0 to 9
#else
  return matchTagsPlain(tags, tag);
#endif
}

// The slot of the lowest lane flagged in a matchTags() mask.
inline unsigned firstLane(unsigned mask) { return static_cast<unsigned>(__builtin_ctz(mask)) / 2; }

}  // namespace detail

}  // namespace qv_results
