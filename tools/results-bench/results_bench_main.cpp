// Benchmark driver: opens a results file and builds the one-line description
// of every query, then prints the elapsed time and the peak resident memory
// of this process. Usage: qv-results-bench FILE
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "results/qv_resultsfile.h"

namespace {

// Peak resident set size in kB, from the process status file.
long peakResidentKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-results-bench FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  qv_resultsfile file(argv[1], 0, "<!-- %d seconds -->\n");
  if (!file.isValid()) {
    std::fprintf(stderr, "qv-results-bench: %s\n", file.getLastErrorString().c_str());
    return 1;
  }
  const auto opened = std::chrono::steady_clock::now();
  size_t total = 0;
  for (int q = 1; q <= file.getNumQueries(); ++q) total += file.getQueryDescription(q).size();
  const auto done = std::chrono::steady_clock::now();
  const auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("queries=%d description_bytes=%zu open_ms=%.1f describe_ms=%.1f peak_rss_kb=%ld\n", file.getNumQueries(),
              total, ms(start, opened), ms(opened, done), peakResidentKb());
  return 0;
}
