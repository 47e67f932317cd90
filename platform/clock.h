#pragma once
// Wall-clock time and its calendar text.
#include <cstdint>
#include <string>

namespace qv_platform {

/// Seconds since 1970.
int64_t currentTime();

/// The 24-character local calendar text of `t`, e.g. "Sun Dec  6 07:08:04 2026"
/// (weekday, month, day padded to two, hh:mm:ss, year), without a newline.
std::string calendarTimeText(int64_t t);

/// Sleeps for `milliseconds`.
void sleepMilliseconds(int milliseconds);

}  // namespace qv_platform
