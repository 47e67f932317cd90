#include "summary/ref_list.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/growable_memory.h"
#include "platform/memory_advice.h"

qv_ref_store::qv_ref_store(size_t firstCapacity)
    : firstCapacity_(std::clamp(firstCapacity, kLeastAtFirst, kMostAtFirst)) {}

size_t qv_ref_store::firstCapacityFor(uint64_t textBytes) {
  constexpr uint64_t kLeastItemBytes = 11;
  const uint64_t most = textBytes / kLeastItemBytes + 1;
  return most < kMostAtFirst ? static_cast<size_t>(most) : kMostAtFirst;
}

qv_ref_store::~qv_ref_store() {
  if (data_ != nullptr) qv_platform::unmapGrowable(data_, bytes_);
  if (owners_ != nullptr) qv_platform::unmapGrowable(owners_, ownerBytes_);
}

namespace {

// Range `p` of `bytes` (nullptr: none yet) grown to `newBytes`; nullptr when
// that cannot be done. Large pages back it where they can.
void* grown(void* p, size_t bytes, size_t newBytes) {
  void* q = p == nullptr ? qv_platform::mapGrowableAligned(newBytes) : qv_platform::remapGrowable(p, bytes, newBytes);
  if (q != nullptr) qv_platform::adviseLargePages(q, newBytes);
  return q;
}

size_t wholePages(size_t bytes) {
  const size_t page = qv_platform::memoryPageSize();
  return (bytes + page - 1) / page * page;
}

}  // namespace

// Takes room for all the references the summary's file can give at first
// (address space only, until written; millions for a big search) and grows
// by doubling its pages, moved rather than copied; large pages back the
// ranges, so that filling them costs a page fault per 2 MB.
void qv_ref_store::grow() {
  const size_t capacity = capacity_ == 0 ? firstCapacity_ : capacity_ * 2;
  const size_t bytes = wholePages(capacity * sizeof(qv_peptide_ref));
  const size_t ownerBytes = wholePages(capacity * sizeof(uint32_t));
  void* data = grown(data_, bytes_, bytes);
  if (data == nullptr) throw std::bad_alloc();
  data_ = static_cast<qv_peptide_ref*>(data);
  bytes_ = bytes;
  void* owners = grown(owners_, ownerBytes_, ownerBytes);
  if (owners == nullptr) throw std::bad_alloc();
  owners_ = static_cast<uint32_t*>(owners);
  ownerBytes_ = ownerBytes;
  capacity_ = capacity;
}

void qv_ref_list::grow() {
  const size_t capacity = capacity_ < 8 ? 8 : capacity_ * 2;
  void* p = placed_ ? std::malloc(capacity * sizeof(uint32_t)) : std::realloc(items_, capacity * sizeof(uint32_t));
  if (p == nullptr) throw std::bad_alloc();
  if (placed_ && size_ > 0) std::memcpy(p, items_, size_ * sizeof(uint32_t));
  items_ = static_cast<uint32_t*>(p);
  capacity_ = capacity;
  placed_ = false;
}

void qv_ref_list::place(uint32_t* room, size_t capacity) {
  release();
  items_ = room;
  capacity_ = capacity;
  placed_ = true;
  pristine_ = false;
}

void qv_ref_list::release() {
  if (!placed_) std::free(items_);
  items_ = nullptr;
  size_ = capacity_ = 0;
  placed_ = false;
}
