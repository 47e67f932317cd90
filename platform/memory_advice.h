#pragma once
// Hints to the system about how the process uses its memory.
#include <cstddef>

namespace qv_platform {

/// Asks the system to back the whole pages of [p, p + length) with large
/// pages where it can: a big buffer filled front to back, or a big table
/// probed at random, then costs far fewer page faults and address
/// translation misses. Only a hint; nothing changes when it is refused.
void adviseLargePages(void* p, size_t length);

}  // namespace qv_platform
