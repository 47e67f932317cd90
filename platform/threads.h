#pragma once
// Second threads, the one way the program starts them. A second thread is
// never needed for an answer, only for its speed: when the system gives
// none (std::thread throws std::system_error), the work runs on the
// calling thread instead, at the moment its user chooses.
#include <functional>
#include <system_error>
#include <thread>
#include <utility>

namespace qv_platform {

/// Work on a second thread, joined by join() or by the destructor.
class BackgroundTask {
 public:
  BackgroundTask() = default;
  ~BackgroundTask() { join(); }
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  /// Starts `work` on a second thread and returns true; returns false, with
  /// `work` not run, when no thread can be had (the caller then does the
  /// work itself). Nothing may have been started and not joined yet.
  template <typename Work>
  bool start(Work&& work) {
    try {
      thread_ = std::thread(std::forward<Work>(work));
      return true;
    } catch (const std::system_error&) {
      return false;
    }
  }

  /// Starts `work` on a second thread, or, when no thread can be had, runs
  /// it here before returning. True when it runs on the second thread.
  template <typename Work>
  bool startOrRunHere(Work&& work) {
    if (start(work)) return true;
    work();
    return false;
  }

  /// True from a successful start() until join() (also once the work is done).
  bool started() const { return thread_.joinable(); }

  /// Waits for the work to end; returns at once when none was started.
  void join() {
    if (thread_.joinable()) thread_.join();
  }

 private:
  std::thread thread_;
};

/// Runs `first` on a second thread and `second` on this one, and returns
/// when both are done; when no second thread can be had (nor the memory to
/// start one) it runs `first`, then `second`, here. Neither may throw. The
/// two must write disjoint memory and read only what neither writes, so
/// that running them together gives exactly what running them one after
/// the other gives.
void runSideBySide(const std::function<void()>& first, const std::function<void()>& second);

}  // namespace qv_platform
