#include "platform/growable_memory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace qv_platform {

size_t memoryPageSize() {
  static const size_t size = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  return size;
}

void* mapGrowable(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
}

void* mapGrowableAligned(size_t bytes) {
  constexpr size_t kLarge = size_t{2} << 20;
  // More than asked, then the ends beyond the aligned part are given back.
  void* p = mmap(nullptr, bytes + kLarge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) return nullptr;
  const auto begin = reinterpret_cast<uintptr_t>(p);
  const uintptr_t aligned = (begin + kLarge - 1) & ~(kLarge - 1);
  if (aligned > begin) munmap(p, aligned - begin);
  const uintptr_t end = begin + bytes + kLarge;
  if (end > aligned + bytes) munmap(reinterpret_cast<void*>(aligned + bytes), end - (aligned + bytes));
  return reinterpret_cast<void*>(aligned);
}

void* remapGrowable(void* p, size_t oldBytes, size_t newBytes) {
  void* moved = mremap(p, oldBytes, newBytes, MREMAP_MAYMOVE);
  return moved == MAP_FAILED ? nullptr : moved;
}

void unmapGrowable(void* p, size_t bytes) { munmap(p, bytes); }

}  // namespace qv_platform
