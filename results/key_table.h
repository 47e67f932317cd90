#pragma once
// The key index of one section: an open-addressing hash table of lines,
// each held as its 32-bit offset in the block arena, keyed by the line's key
// (letters compared without regard to case). About six bytes per key; no
// key text is copied.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace qv_results {

class KeyTable {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  KeyTable() = default;
  /// An empty table with room for `n` keys.
  explicit KeyTable(size_t n);

  /// Adds the line at `line` (an offset from `base`). When a line with an
  /// equal key is already there, nothing is added and its offset is returned;
  /// otherwise kNone.
  uint32_t insert(const char* base, uint32_t line);
  /// The line whose key equals `paddedKey` (a padded, NUL-ended key), or kNone.
  uint32_t find(const char* base, const char* paddedKey) const;
  uint32_t size() const { return count_; }
  /// Every line held, in no particular order.
  std::vector<uint32_t> lines() const;

 private:
  std::unique_ptr<uint32_t[]> slots_;
  uint32_t mask_ = 0;
  uint32_t count_ = 0;
};

}  // namespace qv_results
