// A fault-injection library for the end-to-end tests, loaded into a program
// with LD_PRELOAD: reads or writes of one named file fail with EIO, as they
// would on a failing disk. Every other call goes to the C library as usual.
//
//   QV_EIO_FILE   the file (any path naming it; compared by device and inode)
//   QV_EIO_OPS    "read", "write" or "read,write" (default both)
//
// The descriptor's file is looked up on each call, so the file may be opened
// in any way and at any time.
#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace {

bool targets(int fd, const char* op) {
  const char* file = getenv("QV_EIO_FILE");
  if (file == nullptr || *file == '\0') return false;
  const char* ops = getenv("QV_EIO_OPS");
  if (ops != nullptr && *ops != '\0' && strstr(ops, op) == nullptr) return false;
  struct stat want, have;
  if (stat(file, &want) != 0 || fstat(fd, &have) != 0) return false;
  return want.st_dev == have.st_dev && want.st_ino == have.st_ino;
}

template <typename F>
F next(const char* name) {
  return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" {

ssize_t read(int fd, void* buf, size_t n) {
  static auto real = next<ssize_t (*)(int, void*, size_t)>("read");
  if (targets(fd, "read")) {
    errno = EIO;
    return -1;
  }
  return real(fd, buf, n);
}

ssize_t __read_chk(int fd, void* buf, size_t n, size_t) { return read(fd, buf, n); }

ssize_t pread(int fd, void* buf, size_t n, off_t at) {
  static auto real = next<ssize_t (*)(int, void*, size_t, off_t)>("pread");
  if (targets(fd, "read")) {
    errno = EIO;
    return -1;
  }
  return real(fd, buf, n, at);
}

ssize_t pread64(int fd, void* buf, size_t n, off_t at) { return pread(fd, buf, n, at); }

ssize_t write(int fd, const void* buf, size_t n) {
  static auto real = next<ssize_t (*)(int, const void*, size_t)>("write");
  if (targets(fd, "write")) {
    errno = EIO;
    return -1;
  }
  return real(fd, buf, n);
}

ssize_t pwrite(int fd, const void* buf, size_t n, off_t at) {
  static auto real = next<ssize_t (*)(int, const void*, size_t, off_t)>("pwrite");
  if (targets(fd, "write")) {
    errno = EIO;
    return -1;
  }
  return real(fd, buf, n, at);
}

ssize_t pwrite64(int fd, const void* buf, size_t n, off_t at) { return pwrite(fd, buf, n, at); }

}  // extern "C"
