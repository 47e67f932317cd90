#pragma once
// The key index of one section: a hash table of lines, each held as its
// 32-bit offset in the text of the results file, keyed by its key (letters
// compared without regard to case). The table is an array of 64-byte
// buckets, one cache line each, holding ten offsets and a 15-bit hash tag
// per offset, so that an insert or a look-up touches one line of the table
// and almost never has to read a line of text that is not its own (such a
// read is a cache miss far away). A full bucket passes further keys to the
// next one. About eight bytes per key; no key text is copied. A table for a few keys (a query section holds about
// ten) is a plain list of offsets searched in order, each with a one-byte
// digest of its key's first eight bytes that spares most key comparisons:
// five bytes per key.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace qv_results {

/// Storage for many short key lists that live as long as it does: slabs of
/// 64 KB, without an allocation (and its overhead) per list.
class ListArena {
 public:
  /// Room for `bytes` bytes, aligned for 32-bit words.
  void* allocate(size_t bytes);

 private:
  static constexpr size_t kSlabWords = 16384;
  std::vector<std::unique_ptr<uint32_t[]>> slabs_;
  size_t used_ = kSlabWords;  // words used in the last slab
};

class KeyTable {
 public:
  static constexpr uint32_t kNone = 0xFFFFFFFF;

  KeyTable() = default;
  /// Tables for at most this many keys are lists.
  static constexpr size_t kListMax = 16;

  /// An empty table with room for `n` keys. A list for a few keys takes
  /// its room from `arena` when one is given (which must outlive it).
  explicit KeyTable(size_t n, ListArena* arena = nullptr);
  /// The bytes a table for `n` keys allocates.
  static size_t bytesFor(size_t n);
  ~KeyTable() { release(); }
  /// A moved-from table is empty.
  KeyTable(KeyTable&& other) noexcept { *this = std::move(other); }
  KeyTable& operator=(KeyTable&& other) noexcept {
    if (this != &other) {
      release();
      storage_ = std::exchange(other.storage_, nullptr);
      owned_ = std::exchange(other.owned_, false);
      buckets_count_ = std::exchange(other.buckets_count_, 0);
      capacity_ = std::exchange(other.capacity_, 0);
      count_ = std::exchange(other.count_, 0);
    }
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
  bool isList() const { return buckets_count_ == 0; }
  /// Asks the processor to fetch the bucket a key of this hash starts at.
  void prefetch(uint64_t hash) const {
    if (!isList()) __builtin_prefetch(&buckets()[bucketOf(hash)]);
  }
  /// The line whose key equals `paddedKey` (a padded, NUL-ended key), or kNone.
  uint32_t find(const char* base, const char* paddedKey) const {
    return isList() ? findInList(base, paddedKey) : find(base, paddedKey, hashOf(paddedKey));
  }
  /// The same with the key's hashKey() already known (a list ignores it).
  uint32_t find(const char* base, const char* paddedKey, uint64_t hash) const;
  uint32_t size() const { return count_; }
  /// Calls f(offset) for every line held, in no particular order.
  template <typename F>
  void forEach(F&& f) const {
    if (count_ == 0) return;
    if (isList()) {
      for (uint32_t i = 0; i < count_; ++i) f(list()[i]);
      return;
    }
    for (uint32_t b = 0; b < buckets_count_; ++b) {
      const Bucket& bucket = buckets()[b];
      for (unsigned k = 0; k < kBucketSlots; ++k) {
        if (bucket.tags[k] != 0) f(bucket.slots[k]);
      }
    }
  }
  /// Every line held, in no particular order.
  std::vector<uint32_t> lines() const;

 private:
  static constexpr unsigned kBucketSlots = 10;
  struct alignas(64) Bucket {
    uint16_t tags[kBucketSlots];  // 0: empty
    uint16_t unused[2];           // always 0
    uint32_t slots[kBucketSlots];
  };
  static_assert(sizeof(Bucket) == 64);

  static uint64_t hashOf(const char* text);
  static uint32_t bucketsFor(size_t n);
  // The bucket of a hash: its low 32 bits scaled to the bucket count.
  uint32_t bucketOf(uint64_t hash) const {
    return static_cast<uint32_t>((static_cast<uint64_t>(static_cast<uint32_t>(hash)) * buckets_count_) >> 32);
  }
  uint32_t insertInList(const char* base, uint32_t line);
  uint32_t findInList(const char* base, const char* paddedKey) const;

  // A list's lines, then a tag byte per line; or a hashed table's buckets.
  // One allocation either way (or room in a ListArena), and a table takes
  // 24 bytes: a results file has a table for each of its queries.
  uint32_t* list() const { return static_cast<uint32_t*>(storage_); }
  uint8_t* listTags() const { return reinterpret_cast<uint8_t*>(list() + capacity_); }
  Bucket* buckets() const { return static_cast<Bucket*>(storage_); }
  void release();

  void* storage_ = nullptr;
  bool owned_ = false;          // storage_ is ours to free
  uint32_t buckets_count_ = 0;  // 0: a list
  uint32_t capacity_ = 0;       // keys the table takes
  uint32_t count_ = 0;
};

}  // namespace qv_results
