#pragma once
// Searching a text for a pair of bytes sixteen places at a time: the scan
// behind the search for a section token (a pair that is rare in a results
// file stands for the whole token).
#include <cstdint>
#include <cstring>

namespace qv_results {

namespace detail {

// Position of the first place at or after p (up to `last`) where the bytes
// c0 c1 stand, or nullptr, a place at a time: the plain version that the
// tests hold findPair to. Reads nothing after last + 1.
inline const char* findPairPlain(const char* p, const char* last, char c0, char c1) {
  for (; p <= last; ++p) {
    if (p[0] == c0 && p[1] == c1) return p;
  }
  return nullptr;
}

// The same, sixteen places at a time.
inline const char* findPair(const char* p, const char* last, char c0, char c1) {
  using Bytes = char __attribute__((vector_size(16)));
  Bytes v0, v1;
  for (int k = 0; k < 16; ++k) {
    v0[k] = c0;
    v1[k] = c1;
  }
  // Each step reads p[0..16]: stay 17 bytes inside the text (last + 1 is
  // the place of the second byte of the last pair).
  for (; p + 16 <= last + 1; p += 16) {
    Bytes a, b;
    std::memcpy(&a, p, sizeof a);
    std::memcpy(&b, p + 1, sizeof b);
    const Bytes m = (a == v0) & (b == v1);
    uint64_t halves[2];
    std::memcpy(halves, &m, sizeof halves);
    if ((halves[0] | halves[1]) == 0) continue;
    for (int k = 0; k < 16; ++k) {
      if (m[k] != 0) return p + k;
    }
  }
  for (; p <= last; ++p) {
    if (p[0] == c0 && p[1] == c1) return p;
  }
  return nullptr;
}

}  // namespace detail

}  // namespace qv_results
