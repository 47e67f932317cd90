#include "summary/string_pool.h"

#include <cstring>

qv_string_pool::qv_string_pool() : begin_{0, 0}, slots_(1024, 0) {}

// A multiply-and-fold hash over eight bytes at a time: sequences are short,
// and this costs a few cycles where a general byte hash costs tens.
uint64_t qv_string_pool::hashOf(std::string_view text) {
  uint64_t h = 0x9E3779B97F4A7C15ULL ^ text.size();
  size_t i = 0;
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t w;
    std::memcpy(&w, text.data() + i, 8);
    h = (h ^ w) * 0xFF51AFD7ED558CCDULL;
    h ^= h >> 32;
  }
  uint64_t w = 0;
  if (i < text.size()) std::memcpy(&w, text.data() + i, text.size() - i);
  h = (h ^ w) * 0xC4CEB9FE1A85EC53ULL;
  return h ^ (h >> 29);
}

// A slot is the text's number + 1 in its low half (0: empty) and the upper
// half of its hash in its high half: one read gives both.
uint32_t qv_string_pool::find(std::string_view text) const {
  if (text.empty()) return 0;
  const uint64_t h = hashOf(text);
  const uint64_t tag = h & 0xFFFFFFFF00000000ULL;
  const size_t mask = slots_.size() - 1;
  for (size_t i = h & mask;; i = (i + 1) & mask) {
    const uint64_t slot = slots_[i];
    if (slot == 0) return kNone;
    if ((slot & 0xFFFFFFFF00000000ULL) == tag && sameText(get(static_cast<uint32_t>(slot) - 1), text))
      return static_cast<uint32_t>(slot) - 1;
  }
}

uint32_t qv_string_pool::intern(std::string_view text, uint64_t h) {
  if (text.empty()) return 0;
  const uint64_t tag = h & 0xFFFFFFFF00000000ULL;
  const size_t mask = slots_.size() - 1;
  size_t i = h & mask;
  for (;; i = (i + 1) & mask) {
    const uint64_t slot = slots_[i];
    if (slot == 0) break;
    if ((slot & 0xFFFFFFFF00000000ULL) == tag && sameText(get(static_cast<uint32_t>(slot) - 1), text))
      return static_cast<uint32_t>(slot) - 1;
  }
  if (text_.size() + text.size() > UINT32_MAX) return 0;
  const uint32_t id = size();
  text_.append(text);
  begin_.push_back(static_cast<uint32_t>(text_.size()));
  slots_[i] = tag | (static_cast<uint64_t>(id) + 1);  // the empty slot the search ended on
  if ((static_cast<size_t>(id) + 1) * 2 > slots_.size()) grow();  // at most half full, so that searches stay short
  return id;
}

// The table grows fourfold: every text is hashed again and placed at
// random in a new table at each growth, which a pool of hundreds of
// thousands of sequences (a search of many proteins) then does half as often
// over its life, for a table at most twice as large.
void qv_string_pool::grow() {
  std::vector<uint64_t> slots(slots_.size() * 4, 0);
  const size_t mask = slots.size() - 1;
  for (uint32_t id = 1; id < size(); ++id) {
    const uint64_t h = hashOf(get(id));
    size_t i = h & mask;
    while (slots[i] != 0) i = (i + 1) & mask;
    slots[i] = (h & 0xFFFFFFFF00000000ULL) | (static_cast<uint64_t>(id) + 1);
  }
  slots_.swap(slots);
}
