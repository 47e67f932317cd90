#pragma once
// The key index of one section: an open-addressing hash table of lines,
// each held as its 32-bit offset in the block arena, keyed by the line's key
// (letters compared without regard to case), with a one-byte hash tag per
// slot so that a probe rarely has to read the line itself. About seven
// bytes per key; no key text is copied. A table for a few keys (a query
// section holds about ten) is a plain list of offsets searched in order:
// comparing a handful of keys costs less than hashing one, and the list
// takes four bytes per key.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace qv_results {

class KeyTable {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  KeyTable() = default;
  /// Tables for at most this many keys are lists.
  static constexpr size_t kListMax = 16;

  /// An empty table with room for `n` keys.
  explicit KeyTable(size_t n);
  /// A moved-from table is empty.
  KeyTable(KeyTable&& other) noexcept { *this = std::move(other); }
  KeyTable& operator=(KeyTable&& other) noexcept {
    slots_ = std::move(other.slots_);
    tags_ = std::exchange(other.tags_, nullptr);
    mask_ = std::exchange(other.mask_, 0);
    count_ = std::exchange(other.count_, 0);
    return *this;
  }

  /// Adds the line at `line` (an offset from `base`). When a line with an
  /// equal key is already there, nothing is added and its offset is returned;
  /// otherwise kNone.
  uint32_t insert(const char* base, uint32_t line) {
    return isList() ? insertInList(base, line) : insert(base, line, hashOf(base + line));
  }
  /// The same with the line's hashKey() already known (a list ignores it).
  uint32_t insert(const char* base, uint32_t line, uint64_t hash);
  /// True when the table is a list: insert() needs no hash.
  bool isList() const { return tags_ == nullptr; }
  /// Asks the processor to fetch the slot a key of this hash starts at.
  void prefetch(uint64_t hash) const {
    if (tags_ != nullptr) {
      __builtin_prefetch(&tags_[hash & mask_]);
      __builtin_prefetch(&slots_[hash & mask_]);
    }
  }
  /// The line whose key equals `paddedKey` (a padded, NUL-ended key), or kNone.
  uint32_t find(const char* base, const char* paddedKey) const;
  uint32_t size() const { return count_; }
  /// Calls f(offset) for every line held, in no particular order.
  template <typename F>
  void forEach(F&& f) const {
    if (count_ == 0) return;
    if (isList()) {
      for (uint32_t i = 0; i < count_; ++i) f(slots_[i]);
      return;
    }
    for (uint32_t i = 0; i <= mask_; ++i) {
      if (tags_[i] != 0) f(slots_[i]);
    }
  }
  /// Every line held, in no particular order.
  std::vector<uint32_t> lines() const;

 private:
  static uint64_t hashOf(const char* text);
  uint32_t insertInList(const char* base, uint32_t line);
  std::unique_ptr<uint32_t[]> slots_;  // the slots, followed by one tag byte per slot
  uint8_t* tags_ = nullptr;            // 0: empty slot; no tags: a list of count_ lines
  uint32_t mask_ = 0;                  // a list: its capacity
  uint32_t count_ = 0;
};

}  // namespace qv_results
