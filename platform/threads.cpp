#include "platform/threads.h"

#include <new>

namespace qv_platform {

void runSideBySide(const std::function<void()>& first, const std::function<void()>& second) {
  BackgroundTask task;
  bool started = false;
  try {
    started = task.start(first);
  } catch (const std::bad_alloc&) {
    // No memory for a thread: one part after the other, as without one.
  }
  if (!started) first();
  second();
  task.join();
}

}  // namespace qv_platform
