// Pinning mapped pages in memory, by this process or through the
// memory-locking program, and closing a mapped file.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/mapping.h"
#include "platform/process.h"
#include "errors/file_utilities.h"
#include "platform/system_error.h"
#include "errors/engine_error.h"
#include "taskregistry/mmapfile.h"

namespace {

constexpr uint64_t kLimitStep = 0xa0000;
constexpr uint64_t kEntrySize = 12;
constexpr uint64_t kStatusOffset = 4;
constexpr int32_t kStatusNotStarted = 0;
constexpr int32_t kStatusLocked = 4;
constexpr int32_t kStatusReleased = 7;
constexpr int kPollMilliseconds = 20;
constexpr uint64_t kMegabyte = 1024 * 1024;

int32_t loadStatus(char* entry) {
  return std::atomic_ref<int32_t>(*reinterpret_cast<int32_t*>(entry + kStatusOffset)).load();
}

void storeKeepLocked(char* entry, char value) { std::atomic_ref<char>(*entry).store(value); }

bool isLockFailure(int32_t status) { return status == 1 || status == 5 || status == 6; }

// Polls `done` until it holds or `seconds` have passed; true when it held.
template <typename F>
bool waitFor(int seconds, F done) {
  int64_t polls = static_cast<int64_t>(seconds) * 1000 / kPollMilliseconds;
  for (int64_t i = 0;; ++i) {
    if (done()) return true;
    if (i >= polls) return false;
    qv_platform::sleepMilliseconds(kPollMilliseconds);
  }
}

uint64_t roundUp(uint64_t v, uint64_t unit) { return (v + unit - 1) / unit * unit; }

}  // namespace

bool qv_memmapfile::lockRange(uint64_t offset, uint64_t length) {
  char* p = pointer(offset, length);
  if (p == nullptr) return false;
  // Whole pages from the granularity boundary below, cut at the window's end.
  uint64_t inWindow = static_cast<uint64_t>(p - viewBase_);
  uint64_t first = inWindow - inWindow % granularity_;
  uint64_t end = std::min(roundUp(inWindow + std::min(length, fileSize_ - offset), granularity_),
                          roundUp(windowSize_, granularity_));
  char* start = viewBase_ + first;
  uint64_t size = end - first;
  if (lockState_ == QV_MMAP_LOCKED_HERE) {
    (void)qv_platform::unlockMemory(lockedStart_, lockedLength_);
    lockState_ = QV_MMAP_UNLOCKED;
  }

  int error = qv_platform::lockMemory(start, size);
  if (error != 0) {
    // Refused: raise the process's limit on locked memory step by step, as
    // far as the range needs, then give up.
    qv_platform::MemoryLockLimits saved;
    if (int e = qv_platform::getMemoryLockLimits(saved); e != 0) {
      if (reportErrors_) reportSystemErrorCode(ERR_FAILED_TO_GET_WORK_SET_SIZE, __LINE__, __FILE__, fileName_, e);
      return false;
    }
    qv_platform::MemoryLockLimits limits = saved;
    const uint64_t enough = saved.soft == UINT64_MAX ? 0 : saved.soft + size + kLimitStep;
    while (error != 0) {
      if (!qv_platform::isLockQuotaError(error) || saved.soft == UINT64_MAX || limits.soft >= enough) {
        if (reportErrors_) {
          reportSystemErrorCode(ERR_FAILED_TO_LOCK_MEM, __LINE__, __FILE__, fileName_, error);
          reportError(ERR_DEBUG_STRING, -1, __LINE__, __FILE__,
                      qv_format::formatMessage("Trying to lock %d bytes at address %x",
                                               {size, reinterpret_cast<uintptr_t>(start)}));
        }
        (void)qv_platform::setMemoryLockLimits(saved);
        return false;
      }
      limits.soft += kLimitStep;
      if (limits.hard != UINT64_MAX && limits.hard < limits.soft) limits.hard = limits.soft;
      if (int e = qv_platform::setMemoryLockLimits(limits); e != 0) {
        if (reportErrors_) {
          std::string what = qv_format::formatMessage("%s - (%ld, %ld). Trying to lock %d bytes",
                                                      {fileName_, limits.soft, limits.hard, size});
          reportSystemErrorCode(ERR_FAILED_TO_SET_WORK_SET_SIZE, __LINE__, __FILE__, what, e);
        }
        (void)qv_platform::setMemoryLockLimits(saved);
        return false;
      }
      error = qv_platform::lockMemory(start, size);
    }
  }
  lockState_ = QV_MMAP_LOCKED_HERE;
  lockedStart_ = start;
  lockedLength_ = size;
  if (reportErrors_) reportError(ERR_SUCCESSFUL_LOCK, -1, __LINE__, __FILE__, fileName_);
  return true;
}

bool qv_memmapfile::lockThroughProgram(uint32_t flags, bool reportErrors) {
  uint64_t chunkMb = flags >> 16;
  if (chunkMb < 2 || chunkMb > 2048) chunkMb = 512;
  const uint64_t chunk = chunkMb * kMegabyte;
  const uint64_t count = fileSize_ / chunk + 1;
  const std::string statusName = lockStatusFileName(fileName_);

  // One entry per chunk: keep-locked 1, status 0.
  std::string entries(count * kEntrySize, '\0');
  for (uint64_t i = 0; i < count; ++i) entries[i * kEntrySize] = 1;
  {
    qv_file f = openFile(statusName, "wb", reportErrors);
    if (!f.isOpen() || !f.write(entries)) {
      f.close();
      (void)qv_platform::removeFile(statusName);
      return false;
    }
  }
  qv_memmapfile status;
  int code = 0;
  char* base = nullptr;
  if (status.open(statusName, false, code, QV_MMAP_CREATE, 0, static_cast<int64_t>(count * kEntrySize), reportErrors)) {
    base = status.pointer(0, count * kEntrySize);
  }
  if (base != nullptr) {
    for (uint64_t i = 0; i < count; ++i) {
      char* entry = base + i * kEntrySize;
      const uint64_t start = i * chunk;
      const uint64_t length = i + 1 == count ? fileSize_ - std::min(start, fileSize_) : chunk;
      std::vector<std::string> argv = {
          lockProgram_,           "-f", fileName_,        "-s", std::to_string(start), "-l",
          std::to_string(length), "-o", std::to_string(i)};
      bool started = qv_platform::startDetached(argv);
      int startError = started ? 0 : qv_platform::lastErrorCode();
      if (!waitFor(startWait_, [&] { return loadStatus(entry) != kStatusNotStarted; })) {
        if (reportErrors) {
          reportError(ERR_CANNOT_SPAWN, -1, __LINE__, __FILE__, lockProgram_,
                      started ? std::string("no answer") : qv_platform::systemErrorText(startError));
        }
        continue;
      }
      waitFor(lockWait_, [&] {
        int32_t s = loadStatus(entry);
        if (s == kStatusLocked) lockState_ = QV_MMAP_LOCKED_BY_PROGRAM;
        return s == kStatusLocked || isLockFailure(s);
      });
    }
  }
  status.close();
  if (lockState_ != QV_MMAP_LOCKED_BY_PROGRAM) (void)qv_platform::removeFile(statusName);
  return lockState_ == QV_MMAP_LOCKED_BY_PROGRAM;
}

void qv_memmapfile::releaseThroughProgram() {
  const std::string statusName = lockStatusFileName(fileName_);
  qv_memmapfile status;
  int code = 0;
  if (status.open(statusName, false, code, QV_MMAP_CREATE, 0, 0, reportErrors_)) {
    const uint64_t count = status.getFileSize() / kEntrySize;
    char* base = count > 0 ? status.pointer(0, count * kEntrySize) : nullptr;
    for (uint64_t i = 0; base != nullptr && i < count; ++i) {
      char* entry = base + i * kEntrySize;
      storeKeepLocked(entry, 0);
      if (loadStatus(entry) != kStatusLocked) continue;
      if (!waitFor(releaseWait_, [&] { return loadStatus(entry) == kStatusReleased; }) && reportErrors_) {
        reportError(ERR_QV_LOCKMEM_PIPE, -1, __LINE__, __FILE__);
      }
    }
  }
  status.close();
  (void)qv_platform::removeFile(statusName);
}

void qv_memmapfile::close() {
  if (lockState_ == QV_MMAP_LOCKED_BY_PROGRAM) {
    releaseThroughProgram();
    lockState_ = QV_MMAP_UNLOCKED;
  }
  unmapView();
  if (file_) (void)file_->close();
  file_.reset();
  fileSize_ = 0;
  windowStart_ = 0;
  viewBase_ = nullptr;
  lockedStart_ = nullptr;
  fileName_.clear();
  minimumWindow_ = 0;
  windowSize_ = 0;
  lockedLength_ = 0;
  lockState_ = QV_MMAP_UNLOCKED;
  readOnly_ = true;
  wholeFile_ = false;
  openResult_ = false;
}
