#include "tools/bench-measure/bench_measure.h"

#include <cstdlib>
#include <fstream>
#include <string>

namespace qv_bench {

long peakResidentKb() {
  std::ifstream status("/proc/self/status");
  if (!status) return -1;
  return peakResidentKbFrom(status);
}

long peakResidentKbFrom(std::istream& status) {
  constexpr std::string_view kKey = "VmHWM:";
  std::string line;
  while (std::getline(status, line)) {
    if (line.compare(0, kKey.size(), kKey) != 0) continue;
    const char* begin = line.c_str() + kKey.size();
    char* end = nullptr;
    const long kb = std::strtol(begin, &end, 10);
    return end == begin ? -1 : kb;
  }
  return -1;
}

}  // namespace qv_bench
