#include "taskregistry/mmapfile.h"

#include <algorithm>
#include <cerrno>

#include "platform/clock.h"
#include "platform/mapping.h"
#include "platform/process.h"
#include "errors/file_utilities.h"
#include "platform/system_error.h"
#include "errors/engine_error.h"

namespace {

constexpr uint64_t kTwoGigabytes = uint64_t{1} << 31;

}  // namespace

qv_memmapfile::qv_memmapfile() : granularity_(qv_platform::pageSize()) {
  lockProgram_ = qv_platform::executableDirectory() + "/qv-lockmem";
}

qv_memmapfile::~qv_memmapfile() { close(); }

std::string qv_memmapfile::getMappingName() const {
  std::string name = fileName_;
  std::replace(name.begin(), name.end(), '\\', '~');
  return name;
}

std::string qv_memmapfile::lockStatusFileName(const std::string& fileName) { return fileName + ".lck"; }

void qv_memmapfile::setLockProgramWaits(int startSeconds, int lockSeconds, int releaseSeconds) {
  startWait_ = std::max(0, startSeconds);
  lockWait_ = std::max(0, lockSeconds);
  releaseWait_ = std::max(0, releaseSeconds);
}

bool qv_memmapfile::open(const std::string& fileName, bool readOnly, int& errorCode, uint32_t flags, int64_t lockAmount,
                         int64_t extraWindow, bool reportErrors) {
  (void)lockAmount;
  close();
  errorCode = 0;
  reportErrors_ = reportErrors;
  auto fail = [&](int code, int systemCode) {
    errorCode = code;
    if (reportErrors) reportSystemErrorCode(code, __LINE__, __FILE__, fileName, systemCode);
    return false;
  };

  // 1-2. The file and its size.
  int error = 0;
  int64_t size = qv_platform::fileSizeOf(fileName, error);
  if (size < 0) return fail(ERR_FAILED_TO_OPEN_MMAP_FILE, error);
  fileName_ = fileName;
  readOnly_ = readOnly;
  minimumWindow_ = granularity_ + static_cast<uint64_t>(std::max<int64_t>(0, extraWindow));
  fileSize_ = static_cast<uint64_t>(size);
  const bool create = (flags & QV_MMAP_CREATE) != 0;
  const bool wholeLock = (flags & QV_MMAP_WHOLE_LOCK) != 0;
  const bool byProgram = (flags & QV_MMAP_LOCK_PROGRAM) != 0;
  const bool noView = (flags & QV_MMAP_NO_VIEW) != 0;
  if (fileSize_ >= kTwoGigabytes && reportErrors && ((create && wholeLock && !byProgram) || (!create && !noView))) {
    reportError(ERR_FILE_TOO_BIG_TO_MAP, -1, __LINE__, __FILE__, fileName);
  }

  // 3. Pinning through the memory-locking program: no mapping here.
  if (byProgram && wholeLock) {
    lockThroughProgram(flags, reportErrors);
    openResult_ = true;
    return true;
  }

  // 4-5. The file behind the mapping. Every process that maps the same path
  // shares its pages; an empty file cannot be mapped.
  file_ = qv_platform::MappedFile::open(fileName, !readOnly, error);
  if (create) {
    if (!file_) return fail(ERR_FAILED_TO_OPEN_MMAP_FILE, error);
    (void)setAccessRights(fileName);
    if (fileSize_ == 0) {
      file_.reset();
      return fail(ERR_FAILED_TO_CREATE_MMAP, EINVAL);
    }
  } else if (!file_ || fileSize_ == 0) {
    int code = file_ ? EINVAL : error;
    file_.reset();
    return fail(ERR_FAILED_TO_CREATE_MMAP_1, code);
  }

  // 6-7. A view of the whole file, pinned when asked.
  if ((!create && !noView) || (create && wholeLock)) {
    if (!mapWindow(0, fileSize_)) return fail(ERR_FAILED_TO_CREATE_MMAP_P, qv_platform::lastErrorCode());
    wholeFile_ = true;
    if (wholeLock && !byProgram) (void)lockRange(0, fileSize_);
  }
  openResult_ = true;
  return true;
}

bool qv_memmapfile::mapWindow(uint64_t start, uint64_t size) {
  int error = 0;
  view_ = qv_platform::MappedView::map(*file_, start, static_cast<size_t>(size), !readOnly_, error);
  if (!view_) {
    qv_platform::setLastErrorCode(error);
    viewBase_ = nullptr;
    windowStart_ = 0;
    windowSize_ = 0;
    return false;
  }
  viewBase_ = view_->base();
  windowStart_ = start;
  windowSize_ = size;
  return true;
}

void qv_memmapfile::unmapView() {
  if (!view_) return;
  if (lockState_ == QV_MMAP_LOCKED_HERE) {
    if (int e = qv_platform::unlockMemory(lockedStart_, lockedLength_); e != 0 && reportErrors_) {
      reportSystemErrorCode(ERR_FAILED_TO_MUNLOCK, __LINE__, __FILE__, fileName_, e);
    }
    lockState_ = QV_MMAP_UNLOCKED;
    lockedStart_ = nullptr;
    lockedLength_ = 0;
  }
  if (int e = view_->unmap(); e != 0 && reportErrors_) {
    reportSystemErrorCode(ERR_FAILED_TO_UNMAP, __LINE__, __FILE__, fileName_, e);
  }
  view_.reset();
  viewBase_ = nullptr;
  windowSize_ = 0;
  wholeFile_ = false;
}

char* qv_memmapfile::pointer(uint64_t offset, uint64_t length) {
  if (!file_ || offset >= fileSize_) return nullptr;
  length = std::min(length, fileSize_ - offset);
  if (view_ && offset >= windowStart_ && offset + length <= windowStart_ + windowSize_) {
    return viewBase_ + (offset - windowStart_);
  }
  // Move the window: it starts on the granularity boundary at or below the
  // offset and reaches at least to offset + length.
  unmapView();
  uint64_t start = offset - offset % granularity_;
  uint64_t size = std::max(offset - start + length, minimumWindow_);
  size = std::min(size, fileSize_ - start);
  if (!mapWindow(start, size)) {
    if (reportErrors_) {
      reportSystemErrorCode(ERR_FAILED_TO_CREATE_MMAP_P, __LINE__, __FILE__, fileName_, qv_platform::lastErrorCode());
    }
    return nullptr;
  }
  wholeFile_ = start == 0 && size == fileSize_;
  return viewBase_ + (offset - start);
}
