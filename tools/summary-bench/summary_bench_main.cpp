// Benchmark driver: opens a results file, then builds the peptide summary an
// AUTO report asks for (flags 0x41, minimum probability 0.05, up to 999,999
// hits), and prints the time of each step, the summary's size and the peak
// resident memory of this process. Usage: qv-summary-bench FILE
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "summary/qv_peptidesummary.h"

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
    std::fprintf(stderr, "usage: qv-summary-bench FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  qv_resultsfile file(argv[1], 0, "<!-- %d seconds -->\n");
  if (!file.isValid()) {
    std::fprintf(stderr, "qv-summary-bench: %s\n", file.getLastErrorString().c_str());
    return 1;
  }
  const auto opened = std::chrono::steady_clock::now();
  qv_peptidesummary summary(file, 0x41, 0.05, 999999, std::nullopt, 0.0, 0, std::nullopt);
  const auto done = std::chrono::steady_clock::now();
  const auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
  std::printf("queries=%d proteins=%d hits=%d open_ms=%.1f summary_ms=%.1f peak_rss_kb=%ld\n", file.getNumQueries(),
              summary.getNumberOfProteins(), summary.getNumberOfHits(), ms(start, opened), ms(opened, done),
              peakResidentKb());
  return 0;
}
