#include "platform/read_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace qv_platform {

namespace {

// A descriptor of the regular file `path`, or -1; its size in `size`.
int openRegular(const std::string& path, uint64_t* size = nullptr) {
  // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; it is
  // refused just after, and reads of a regular file never block anyway.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (size != nullptr) *size = static_cast<uint64_t>(st.st_size);
  return fd;
}

}  // namespace

std::optional<ReadFile> ReadFile::open(const std::string& path) {
  uint64_t size = 0;
  const int fd = openRegular(path, &size);
  if (fd < 0) return std::nullopt;
  return ReadFile(fd, size);
}

std::FILE* openRegularFileStream(const std::string& path) {
  const int fd = openRegular(path);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, "rb");
  if (f == nullptr) ::close(fd);
  return f;
}

ReadFile::~ReadFile() {
  if (fd_ >= 0) ::close(fd_);
}

long ReadFile::read(char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd_, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -1;
  }
}

}  // namespace qv_platform
