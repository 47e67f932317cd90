#include "platform/mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qv_platform {

MappedFile::~MappedFile() { close(); }

std::unique_ptr<MappedFile> MappedFile::open(const std::string& path, bool writable, int& error) {
  int fd;
  do {
    fd = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : (errno != 0 ? errno : EINVAL);
    ::close(fd);
    return nullptr;
  }
  error = 0;
  return std::make_unique<MappedFile>(fd, writable);
}

int64_t MappedFile::size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

int MappedFile::close() {
  if (fd_ < 0) return 0;
  int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0 ? 0 : errno;
}

MappedView::~MappedView() { unmap(); }

std::unique_ptr<MappedView> MappedView::map(const MappedFile& file, uint64_t offset, size_t length, bool writable,
                                            int& error) {
  if (length == 0 || file.fd_ < 0) {
    error = EINVAL;
    return nullptr;
  }
  if (writable && !file.writable_) {
    error = EACCES;
    return nullptr;
  }
  void* p = ::mmap(nullptr, length, writable ? (PROT_READ | PROT_WRITE) : PROT_READ, MAP_SHARED, file.fd_,
                   static_cast<off_t>(offset));
  if (p == MAP_FAILED) {
    error = errno;
    return nullptr;
  }
  error = 0;
  return std::make_unique<MappedView>(p, length);
}

int MappedView::unmap() {
  if (base_ == nullptr) return 0;
  int rc = ::munmap(base_, length_);
  base_ = nullptr;
  length_ = 0;
  return rc == 0 ? 0 : errno;
}

size_t pageSize() {
  long n = ::sysconf(_SC_PAGESIZE);
  return n > 0 ? static_cast<size_t>(n) : 4096;
}

int lockMemory(const void* address, size_t length) { return ::mlock(address, length) == 0 ? 0 : errno; }

int unlockMemory(const void* address, size_t length) { return ::munlock(address, length) == 0 ? 0 : errno; }

bool isLockQuotaError(int code) { return code == ENOMEM || code == EAGAIN || code == EPERM; }

namespace {
uint64_t fromLimit(rlim_t v) { return v == RLIM_INFINITY ? UINT64_MAX : static_cast<uint64_t>(v); }
rlim_t toLimit(uint64_t v) { return v == UINT64_MAX ? RLIM_INFINITY : static_cast<rlim_t>(v); }
}  // namespace

int getMemoryLockLimits(MemoryLockLimits& limits) {
  struct rlimit rl;
  if (::getrlimit(RLIMIT_MEMLOCK, &rl) != 0) return errno;
  limits.soft = fromLimit(rl.rlim_cur);
  limits.hard = fromLimit(rl.rlim_max);
  return 0;
}

int setMemoryLockLimits(const MemoryLockLimits& limits) {
  struct rlimit rl;
  rl.rlim_cur = toLimit(limits.soft);
  rl.rlim_max = toLimit(limits.hard);
  return ::setrlimit(RLIMIT_MEMLOCK, &rl) == 0 ? 0 : errno;
}

int64_t fileSizeOf(const std::string& path, int& error) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) {
    error = errno;
    return -1;
  }
  error = 0;
  return static_cast<int64_t>(st.st_size);
}

int removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

}  // namespace qv_platform
