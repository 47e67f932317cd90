#include "platform/clock.h"

#include <time.h>

#include <cstdio>

namespace qv_platform {

int64_t currentTime() { return static_cast<int64_t>(::time(nullptr)); }

std::string calendarTimeText(int64_t t) {
  time_t tt = static_cast<time_t>(t);
  struct tm tmv;
  if (localtime_r(&tt, &tmv) == nullptr) return "Thu Jan  1 00:00:00 1970";
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.3s %.3s%3d %.2d:%.2d:%.2d %d", kDays[tmv.tm_wday % 7], kMonths[tmv.tm_mon % 12],
                tmv.tm_mday, tmv.tm_hour, tmv.tm_min, tmv.tm_sec, tmv.tm_year + 1900);
  return buf;
}

void sleepMilliseconds(int milliseconds) {
  struct timespec ts;
  ts.tv_sec = milliseconds / 1000;
  ts.tv_nsec = static_cast<long>(milliseconds % 1000) * 1000000L;
  while (nanosleep(&ts, &ts) != 0) {
  }
}

}  // namespace qv_platform
