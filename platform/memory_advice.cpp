#include "platform/memory_advice.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>

namespace qv_platform {

void adviseLargePages(void* p, size_t length) {
#ifdef MADV_HUGEPAGE
  const auto page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  const auto begin = reinterpret_cast<uintptr_t>(p);
  const uintptr_t first = (begin + page - 1) & ~(page - 1);
  const uintptr_t last = (begin + length) & ~(page - 1);
  if (p == nullptr || last <= first) return;
  (void)madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);  // a hint: failure is harmless
#else
  (void)p;
  (void)length;
#endif
}

}  // namespace qv_platform
