#include "results/key_table.h"

#include <algorithm>
#include <cstring>

#include "platform/memory_advice.h"
#include "results/results_blocks.h"

namespace qv_results {
namespace {

// The first byte of a key with a lower-case letter made upper case, and 0
// for an empty key: most keys of a short list differ in it, which spares
// the full comparison.
inline unsigned char firstFolded(const char* key) {
  const auto c = static_cast<unsigned char>(*key);
  if (c == '=' || c == '\r' || c == '\n') return 0;
  return c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 32) : c;
}

// A non-zero tag from the hash bits that do not choose the slot.
inline uint8_t tagOf(uint64_t h) { return static_cast<uint8_t>((h >> 56) | 0x80); }

}  // namespace

KeyTable::KeyTable(size_t n) {
  if (n == 0) return;
  if (n <= kListMax) {
    slots_ = std::make_unique_for_overwrite<uint32_t[]>(n);
    mask_ = static_cast<uint32_t>(n);
    return;
  }
  // At most three quarters full, so probe runs stay short.
  size_t capacity = 4;
  while (capacity < n + n / 3 + 1) capacity *= 2;
  // One allocation: the slots, then a tag byte per slot (zero: empty).
  const size_t words = capacity + (capacity + 3) / 4;
  slots_ = std::make_unique_for_overwrite<uint32_t[]>(words);
  // A big table is probed at random: large pages spare address translation
  // misses and page faults.
  if (words * sizeof(uint32_t) >= (size_t{4} << 20)) qv_platform::adviseLargePages(slots_.get(), words * sizeof(uint32_t));
  tags_ = reinterpret_cast<uint8_t*>(slots_.get() + capacity);
  std::memset(tags_, 0, capacity);
  mask_ = static_cast<uint32_t>(capacity - 1);
}

uint64_t KeyTable::hashOf(const char* text) { return hashKey(text); }

uint32_t KeyTable::insertInList(const char* base, uint32_t line) {
  const char* text = base + line;
  const unsigned char first = firstFolded(text);
  for (uint32_t i = 0; i < count_; ++i) {
    const char* other = base + slots_[i];
    if (firstFolded(other) == first && compareLineKeys(other, text) == 0) return slots_[i];
  }
  if (count_ >= mask_) return kNone;  // not sized for this many: refuse quietly
  slots_[count_++] = line;
  return kNone;
}

uint32_t KeyTable::insert(const char* base, uint32_t line, uint64_t h) {
  if (isList()) return insertInList(base, line);
  if (!slots_ || count_ >= mask_) return kNone;  // not sized for this many: refuse quietly
  const char* text = base + line;
  const uint8_t tag = tagOf(h);
  for (uint32_t i = static_cast<uint32_t>(h) & mask_;; i = (i + 1) & mask_) {
    if (tags_[i] == 0) {
      tags_[i] = tag;
      slots_[i] = line;
      ++count_;
      return kNone;
    }
    if (tags_[i] == tag && compareLineKeys(base + slots_[i], text) == 0) return slots_[i];
  }
}

uint32_t KeyTable::find(const char* base, const char* paddedKey) const {
  if (count_ == 0) return kNone;
  if (isList()) {
    const unsigned char first = firstFolded(paddedKey);
    for (uint32_t i = 0; i < count_; ++i) {
      const char* other = base + slots_[i];
      if (firstFolded(other) == first && compareLineKeys(other, paddedKey) == 0) return slots_[i];
    }
    return kNone;
  }
  const uint64_t h = hashKey(paddedKey);
  const uint8_t tag = tagOf(h);
  for (uint32_t i = static_cast<uint32_t>(h) & mask_;; i = (i + 1) & mask_) {
    if (tags_[i] == 0) return kNone;
    if (tags_[i] == tag && compareLineKeys(base + slots_[i], paddedKey) == 0) return slots_[i];
  }
}

std::vector<uint32_t> KeyTable::lines() const {
  std::vector<uint32_t> out;
  out.reserve(count_);
  forEach([&](uint32_t line) { out.push_back(line); });
  return out;
}

}  // namespace qv_results
