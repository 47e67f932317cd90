#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace qv_platform {

int lastErrorCode() { return errno; }

void setLastErrorCode(int code) { errno = code; }

std::string systemErrorText(int code) {
  char buf[256];
  // GNU strerror_r returns a pointer that may or may not be buf.
  const char* text = strerror_r(code, buf, sizeof buf);
  if (text == nullptr || *text == '\0') return "(Error: " + std::to_string(code) + ")";
  return text;
}

}  // namespace qv_platform
