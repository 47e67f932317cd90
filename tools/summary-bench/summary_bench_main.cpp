// Benchmark driver: opens a results file, then builds the peptide summary an
// AUTO report asks for (flags 0x41, minimum probability 0.05, up to 999,999
// hits), and prints the time of each step, the summary's size and the peak
// resident memory of this process. Usage: qv-summary-bench FILE
#include <cstdio>
#include <string>

#include "summary/qv_peptidesummary.h"
#include "tools/bench-measure/bench_measure.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-summary-bench FILE\n");
    return 2;
  }
  qv_bench::StepTimer timer;
  qv_resultsfile file(argv[1], 0, "<!-- %d seconds -->\n");
  if (!file.isValid()) {
    std::fprintf(stderr, "qv-summary-bench: %s\n", file.getLastErrorString().c_str());
    return 1;
  }
  const double openMs = timer.lapMs();
  qv_peptidesummary summary(file, 0x41, 0.05, 999999, std::nullopt, 0.0, 0, std::nullopt);
  const double summaryMs = timer.lapMs();
  std::printf("queries=%d proteins=%d hits=%d open_ms=%.1f summary_ms=%.1f peak_rss_kb=%ld\n", file.getNumQueries(),
              summary.getNumberOfProteins(), summary.getNumberOfHits(), openMs, summaryMs,
              qv_bench::peakResidentKb());
  return 0;
}
