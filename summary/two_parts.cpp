#include "summary/two_parts.h"

#include <new>
#include <system_error>
#include <thread>

void qv_runInTwoParts(const std::function<void()>& first, const std::function<void()>& second) {
  std::thread thread;
  try {
    thread = std::thread(first);
  } catch (const std::system_error&) {
    first();  // no second thread: one part after the other
  } catch (const std::bad_alloc&) {
    first();
  }
  second();
  if (thread.joinable()) thread.join();
}
