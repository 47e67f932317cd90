// Growable memory: ranges start zeroed (and aligned when asked), and keep
// their contents when moved to a larger or smaller range.
#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

#include "platform/growable_memory.h"

namespace {

TEST(GrowableMemoryTest, KeepsItsContentsAsItGrowsAndShrinks) {
  const size_t page = qv_platform::memoryPageSize();
  ASSERT_GT(page, 0u);
  const size_t first = 3 * page;
  auto* p = static_cast<unsigned char*>(qv_platform::mapGrowableAligned(first));
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % (size_t{2} << 20), 0u);
  for (size_t i = 0; i < first; ++i) ASSERT_EQ(p[i], 0) << i;
  for (size_t i = 0; i < first; ++i) p[i] = static_cast<unsigned char>(i * 7);
  // Larger: the old bytes stay, the new ones are zero.
  const size_t larger = 4096 * page;
  auto* q = static_cast<unsigned char*>(qv_platform::remapGrowable(p, first, larger));
  ASSERT_NE(q, nullptr);
  for (size_t i = 0; i < first; ++i) ASSERT_EQ(q[i], static_cast<unsigned char>(i * 7)) << i;
  EXPECT_EQ(q[first], 0);
  EXPECT_EQ(q[larger - 1], 0);
  q[larger - 1] = 9;
  // Smaller again: what lies within stays.
  auto* r = static_cast<unsigned char*>(qv_platform::remapGrowable(q, larger, page));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r[page - 1], static_cast<unsigned char>((page - 1) * 7));
  qv_platform::unmapGrowable(r, page);
  // An unaligned start is fine for the plain kind.
  void* s = qv_platform::mapGrowable(page);
  ASSERT_NE(s, nullptr);
  qv_platform::unmapGrowable(s, page);
}

}  // namespace
