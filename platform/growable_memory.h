#pragma once
// Anonymous memory for large arrays that grow while they are filled. Growing
// moves the pages to a larger range (the system's remapping) instead of
// copying the bytes into a new block, and room never written costs no
// memory; a std::vector that grows copies every element again and again and
// writes fresh pages each time.
#include <cstddef>

namespace qv_platform {

/// The size of a page; sizes given to the calls below are multiples of it.
size_t memoryPageSize();

/// A new zeroed range of `bytes` bytes, or nullptr when none can be had.
/// Its pages take memory only once written.
void* mapGrowable(size_t bytes);
/// The same, starting at a multiple of the large-page size (2 MB), so that
/// large pages can back all of it.
void* mapGrowableAligned(size_t bytes);
/// Moves range `p` of `oldBytes` to one of `newBytes` (larger or smaller)
/// keeping its contents, and returns it; nullptr (with `p` unchanged) when
/// that cannot be done.
void* remapGrowable(void* p, size_t oldBytes, size_t newBytes);
/// Returns range `p` of `bytes` bytes to the system.
void unmapGrowable(void* p, size_t bytes);

}  // namespace qv_platform
