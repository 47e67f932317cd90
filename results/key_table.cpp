#include "results/key_table.h"

#include <algorithm>

#include "results/results_blocks.h"

namespace qv_results {

KeyTable::KeyTable(size_t n) {
  if (n == 0) return;
  // At most three quarters full, so probe runs stay short.
  size_t capacity = 4;
  while (capacity < n + n / 3 + 1) capacity *= 2;
  slots_ = std::make_unique_for_overwrite<uint32_t[]>(capacity);
  std::fill_n(slots_.get(), capacity, kNone);
  mask_ = static_cast<uint32_t>(capacity - 1);
}

uint32_t KeyTable::insert(const char* base, uint32_t line) {
  if (!slots_ || count_ >= mask_) return kNone;  // not sized for this many: refuse quietly
  const char* text = base + line;
  for (uint32_t i = static_cast<uint32_t>(hashKey(text)) & mask_;; i = (i + 1) & mask_) {
    const uint32_t held = slots_[i];
    if (held == kNone) {
      slots_[i] = line;
      ++count_;
      return kNone;
    }
    if (compareLineKeys(base + held, text) == 0) return held;
  }
}

uint32_t KeyTable::find(const char* base, const char* paddedKey) const {
  if (count_ == 0) return kNone;
  for (uint32_t i = static_cast<uint32_t>(hashKey(paddedKey)) & mask_;; i = (i + 1) & mask_) {
    const uint32_t held = slots_[i];
    if (held == kNone) return kNone;
    if (compareLineKeys(base + held, paddedKey) == 0) return held;
  }
}

std::vector<uint32_t> KeyTable::lines() const {
  std::vector<uint32_t> out;
  out.reserve(count_);
  if (count_ == 0) return out;
  for (uint32_t i = 0; i <= mask_; ++i) {
    if (slots_[i] != kNone) out.push_back(slots_[i]);
  }
  return out;
}

}  // namespace qv_results
