#include "results/key_table.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/memory_advice.h"
#include "results/bucket_tags.h"
#include "results/line_keys.h"

namespace qv_results {
namespace {

// A non-zero tag from hash bits that do not choose the bucket.
inline uint16_t tagOf(uint64_t h) { return static_cast<uint16_t>((h >> 48) | 0x8000); }

using detail::firstLane;
using detail::matchTags;

}  // namespace

void* ListArena::allocate(size_t bytes) {
  const size_t words = (bytes + 3) / 4;
  if (used_ + words > kSlabWords) {
    slabs_.push_back(std::make_unique_for_overwrite<uint32_t[]>(std::max(words, kSlabWords)));
    used_ = 0;
  }
  void* p = slabs_.back().get() + used_;
  used_ += words;
  return p;
}

void KeyTable::release() {
  if (owned_) std::free(storage_);
  storage_ = nullptr;
  owned_ = false;
}

// Buckets at most four fifths full on average, so that few overflow.
uint32_t KeyTable::bucketsFor(size_t n) {
  return static_cast<uint32_t>(std::min<size_t>(std::max<size_t>((n + 7) / 8, 2), UINT32_MAX / kBucketSlots));
}

size_t KeyTable::bytesFor(size_t n) {
  return n <= kListMax ? n * (sizeof(uint32_t) + 1) : size_t{bucketsFor(n)} * sizeof(Bucket);
}

KeyTable::KeyTable(size_t n, ListArena* arena) {
  if (n == 0) return;
  if (n <= kListMax) {
    const size_t bytes = n * (sizeof(uint32_t) + 1);
    if (arena != nullptr) {
      storage_ = arena->allocate(bytes);
    } else {
      storage_ = std::malloc(bytes);
      if (storage_ == nullptr) throw std::bad_alloc();
      owned_ = true;
    }
    capacity_ = static_cast<uint32_t>(n);
    return;
  }
  const uint32_t count = bucketsFor(n);
  const size_t bytes = bytesFor(n);
  storage_ = std::aligned_alloc(alignof(Bucket), bytes);
  if (storage_ == nullptr) throw std::bad_alloc();
  owned_ = true;
  buckets_count_ = count;
  // A big table is probed at random: large pages spare address translation
  // misses and page faults.
  if (bytes >= (size_t{4} << 20)) qv_platform::adviseLargePages(storage_, bytes);
  for (uint32_t b = 0; b < buckets_count_; ++b) {
    std::memset(buckets()[b].tags, 0, sizeof buckets()[b].tags);
    std::memset(buckets()[b].unused, 0, sizeof buckets()[b].unused);
  }
  // One slot stays free, so that every probe ends.
  capacity_ = static_cast<uint32_t>(std::min<size_t>(n, size_t{buckets_count_} * kBucketSlots - 1));
}

uint64_t KeyTable::hashOf(const char* text) { return hashKey(text); }

uint32_t KeyTable::insertInList(const char* base, uint32_t line) {
  const char* text = base + line;
  const uint8_t tag = keyTag(text);
  for (uint32_t i = 0; i < count_; ++i) {
    if (listTags()[i] == tag && compareLineKeys(base + list()[i], text) == 0) return list()[i];
  }
  if (count_ >= capacity_) return kNone;  // not sized for this many: refuse quietly
  listTags()[count_] = tag;
  list()[count_++] = line;
  return kNone;
}

// Keys are never removed, and a key goes to the first free slot of the first
// bucket on its way that has one: a search that meets a bucket with a free
// slot has seen every equal key there is.
uint32_t KeyTable::insert(const char* base, uint32_t line, uint64_t h) {
  if (isList()) return insertInList(base, line);
  const char* text = base + line;
  const uint16_t tag = tagOf(h);
  for (uint32_t b = bucketOf(h);; b = b + 1 == buckets_count_ ? 0 : b + 1) {
    Bucket& bucket = buckets()[b];
    for (unsigned m = matchTags(bucket.tags, tag); m != 0; m &= m - 1) {
      const unsigned k = firstLane(m);
      if (compareLineKeys(base + bucket.slots[k], text) == 0) return bucket.slots[k];
    }
    const unsigned empty = matchTags(bucket.tags, 0);
    if (empty != 0) {
      if (count_ >= capacity_) return kNone;  // not sized for this many: refuse quietly
      const unsigned k = firstLane(empty);
      bucket.tags[k] = tag;
      bucket.slots[k] = line;
      ++count_;
      return kNone;
    }
  }
}

uint32_t KeyTable::findInList(const char* base, const char* paddedKey) const {
  const uint8_t tag = keyTag(paddedKey);
  for (uint32_t i = 0; i < count_; ++i) {
    if (listTags()[i] == tag && compareLineKeys(base + list()[i], paddedKey) == 0) return list()[i];
  }
  return kNone;
}

uint32_t KeyTable::find(const char* base, const char* paddedKey, uint64_t h) const {
  if (count_ == 0) return kNone;
  if (isList()) return findInList(base, paddedKey);
  const uint16_t tag = tagOf(h);
  for (uint32_t b = bucketOf(h);; b = b + 1 == buckets_count_ ? 0 : b + 1) {
    const Bucket& bucket = buckets()[b];
    for (unsigned m = matchTags(bucket.tags, tag); m != 0; m &= m - 1) {
      const unsigned k = firstLane(m);
      if (compareLineKeys(base + bucket.slots[k], paddedKey) == 0) return bucket.slots[k];
    }
    if (matchTags(bucket.tags, 0) != 0) return kNone;
  }
}

std::vector<uint32_t> KeyTable::lines() const {
  std::vector<uint32_t> out;
  out.reserve(count_);
  forEach([&](uint32_t line) { out.push_back(line); });
  return out;
}

}  // namespace qv_results
