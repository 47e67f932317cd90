// Any bytes as a message format, with a mix of argument kinds.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "errors/qv_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view format(reinterpret_cast<const char*>(data), size);
  std::string out = qv_format::formatMessage(format, {1, "text", 2.5, -7LL, 3u});
  if (out.size() > 2047) __builtin_trap();
  return 0;
}
