// The measurements the benchmark drivers print: the peak resident memory
// read from a process status text, on this process, and step times.
#include "tools/bench-measure/bench_measure.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <thread>

namespace {

using qv_bench::peakResidentKbFrom;

long fromText(const std::string& text) {
  std::istringstream in(text);
  return peakResidentKbFrom(in);
}

TEST(BenchMeasure, PeakResidentIsTheHighWaterMarkLine) {
  EXPECT_EQ(fromText("Name:\tx\nVmPeak:\t  999999 kB\nVmSize:\t 5000 kB\nVmHWM:\t    12345 kB\nVmRSS:\t 777 kB\n"),
            12345);
  EXPECT_EQ(fromText("VmHWM:7 kB"), 7);
  // Lines that merely contain the key, or a key without a number, are no answer.
  EXPECT_EQ(fromText("Name:\tVmHWM: 5 kB\nVmRSS:\t 777 kB\n"), -1);
  EXPECT_EQ(fromText("VmHWM:\t kB\n"), -1);
  EXPECT_EQ(fromText(""), -1);
}

TEST(BenchMeasure, PeakResidentOfThisProcessFollowsMemoryTouched) {
  const long before = qv_bench::peakResidentKb();
  ASSERT_GT(before, 0);
  constexpr size_t kBytes = size_t{96} << 20;
  auto block = std::make_unique<char[]>(kBytes);
  std::memset(block.get(), 1, kBytes);
  // Read the block back so that the writes cannot be left out.
  long sum = 0;
  for (size_t i = 0; i < kBytes; i += 4096) sum += block[i];
  ASSERT_EQ(sum, static_cast<long>(kBytes / 4096));
  EXPECT_GE(qv_bench::peakResidentKb(), before + 90 * 1024);
}

TEST(BenchMeasure, EachLapTimesOnlyItsOwnStep) {
  qv_bench::StepTimer timer;
  std::this_thread::sleep_for(std::chrono::milliseconds(40));
  const double first = timer.lapMs();
  const double second = timer.lapMs();
  EXPECT_GE(first, 40.0);
  EXPECT_GE(second, 0.0);
  EXPECT_LT(second, first);
}

}  // namespace
