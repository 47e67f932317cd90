// Benchmark driver: opens a results file and builds the one-line description
// of every query, then prints the elapsed time and the peak resident memory
// of this process. Usage: qv-results-bench FILE
#include <cstdio>
#include <string>

#include "results/qv_resultsfile.h"
#include "tools/bench-measure/bench_measure.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: qv-results-bench FILE\n");
    return 2;
  }
  qv_bench::StepTimer timer;
  qv_resultsfile file(argv[1], 0, "<!-- %d seconds -->\n");
  if (!file.isValid()) {
    std::fprintf(stderr, "qv-results-bench: %s\n", file.getLastErrorString().c_str());
    return 1;
  }
  const double openMs = timer.lapMs();
  size_t total = 0;
  for (int q = 1; q <= file.getNumQueries(); ++q) total += file.getQueryDescription(q).size();
  const double describeMs = timer.lapMs();
  std::printf("queries=%d description_bytes=%zu open_ms=%.1f describe_ms=%.1f peak_rss_kb=%ld\n", file.getNumQueries(),
              total, openMs, describeMs, qv_bench::peakResidentKb());
  return 0;
}
