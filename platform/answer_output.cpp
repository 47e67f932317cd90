#include "platform/answer_output.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/threads.h"

namespace qv_answer {

namespace {

std::atomic<bool> lostFlag{false};
bool paced = false;  // read and written on the main thread only

// The flusher thread and what it waits on. Kept in one heap object that is
// never destroyed, so that an exit while it runs meets no destroyed mutex.
struct Flusher {
  std::mutex mutex;
  std::condition_variable wake;
  bool stop = false;
  qv_platform::BackgroundTask thread;
};

Flusher& flusher() {
  static Flusher* f = new Flusher;  // lives until the process ends
  return *f;
}

void flushStream() {
  if (std::fflush(stdout) != 0) lostFlag = true;
}

void flushLoop() {
  Flusher& f = flusher();
  std::unique_lock<std::mutex> lock(f.mutex);
  while (!f.wake.wait_for(lock, std::chrono::milliseconds(kFlushIntervalMs), [&] { return f.stop; })) {
    lock.unlock();
    flushStream();  // no system call when nothing is pending
    lock.lock();
  }
}

void stopFlusher() {
  Flusher& f = flusher();
  if (!f.thread.started()) return;
  {
    std::lock_guard<std::mutex> lock(f.mutex);
    f.stop = true;
  }
  f.wake.notify_one();
  f.thread.join();
}

void afterWrite(bool whole) {
  if (!whole) lostFlag = true;
  if (!paced) flushStream();
}

}  // namespace

void line(std::string_view text) {
  // One stream write per line, so that a flush from the flusher thread
  // never cuts a line that fits the buffer.
  if (text.size() < 512) {
    char buf[512];
    text.copy(buf, text.size());
    buf[text.size()] = '\n';
    afterWrite(std::fwrite(buf, 1, text.size() + 1, stdout) == text.size() + 1);
    return;
  }
  std::string buf;
  buf.reserve(text.size() + 1);
  buf.append(text).push_back('\n');
  afterWrite(std::fwrite(buf.data(), 1, buf.size(), stdout) == buf.size());
}

bool raw(std::string_view bytes) {
  const bool whole = std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size();
  afterWrite(whole);
  return whole && !lostFlag;
}

void flush() { flushStream(); }

bool readerGone() {
  if (lostFlag) return true;
  // Asked between the items of a long list: the system is asked at most
  // once a flush interval; in between only the failures of writes tell.
  static std::chrono::steady_clock::time_point nextAsk;  // main thread only
  const auto now = std::chrono::steady_clock::now();
  if (now < nextAsk) return false;
  nextAsk = now + std::chrono::milliseconds(kFlushIntervalMs);
  // A pipe or socket whose reader has gone, or a terminal that hung up:
  // nothing written to it can arrive any more.
  struct pollfd out = {STDOUT_FILENO, POLLOUT, 0};
  if (::poll(&out, 1, 0) != 1 || (out.revents & (POLLERR | POLLHUP)) == 0) return false;
  lostFlag = true;
  return true;
}

bool lost() { return lostFlag; }

PacedAnswer::PacedAnswer() {
  flushStream();
  // A larger buffer than a pipe's default block: fewer writes per report.
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  paced = true;
  static const bool registered = [] { return std::atexit(stopFlusher) == 0; }();
  (void)registered;
  Flusher& f = flusher();
  f.stop = false;
  // No thread to be had: every line is flushed as in immediate mode.
  if (!f.thread.start(flushLoop)) paced = false;
}

PacedAnswer::~PacedAnswer() {
  stopFlusher();
  paced = false;
  flushStream();
}

}  // namespace qv_answer
