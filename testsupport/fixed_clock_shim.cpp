// A fixed wall clock for the end-to-end tests, loaded into a program with
// LD_PRELOAD: time() answers the seconds given in QV_FIXED_TIME, so that a
// test can put a session's last access exactly at the edge of its timeout.
// Without the variable (or with a value that is not a number) time() is the
// C library's.
#include <dlfcn.h>
#include <stdlib.h>
#include <time.h>

extern "C" time_t time(time_t* out) {
  const char* fixed = getenv("QV_FIXED_TIME");
  char* end = nullptr;
  const long long seconds = fixed != nullptr ? strtoll(fixed, &end, 10) : 0;
  if (fixed == nullptr || *fixed == '\0' || *end != '\0') {
    static auto real = reinterpret_cast<time_t (*)(time_t*)>(dlsym(RTLD_NEXT, "time"));
    return real(out);
  }
  if (out != nullptr) *out = static_cast<time_t>(seconds);
  return static_cast<time_t>(seconds);
}
