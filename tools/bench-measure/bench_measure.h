#pragma once
// What the benchmark drivers in tools/ measure about themselves: the time of
// each step and the peak resident memory of the process. The bench scripts
// read both from the drivers' result lines, so every driver measures them the
// same way: steady-clock milliseconds, and the high-water mark of the
// resident set ("VmHWM") that the kernel keeps in /proc/self/status.
#include <chrono>
#include <istream>

namespace qv_bench {

/// Peak resident set size of this process in kB, or -1 when the process
/// status cannot be read.
[[nodiscard]] long peakResidentKb();

/// The "VmHWM:" value, in kB, of a process status text in the layout of
/// /proc/<pid>/status; -1 when the line is missing or holds no number.
[[nodiscard]] long peakResidentKbFrom(std::istream& status);

/// Times consecutive steps: lapMs() gives the milliseconds since the
/// previous lap (or since construction) and starts the next step.
class StepTimer {
 public:
  StepTimer() : last_(std::chrono::steady_clock::now()) {}
  [[nodiscard]] double lapMs() {
    const auto now = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(now - last_).count();
    last_ = now;
    return ms;
  }

 private:
  std::chrono::steady_clock::time_point last_;
};

}  // namespace qv_bench
