#include "platform/qv_fileutil.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "platform/system_error.h"

// ---- qv_file -------------------------------------------------------------

qv_file::~qv_file() { close(); }

qv_file& qv_file::operator=(qv_file&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

bool qv_file::close() {
  if (fd_ < 0) return true;
  int rc = ::close(fd_);
  fd_ = -1;
  return rc == 0 || errno == EINTR;
}

bool qv_file::write(std::string_view data) { return fd_ >= 0 && qv_platform::writeAll(fd_, data); }

int64_t qv_file::read(void* buffer, size_t size) {
  if (fd_ < 0) return -1;
  for (;;) {
    ssize_t n = ::read(fd_, buffer, size);
    if (n < 0 && errno == EINTR) continue;
    return n;
  }
}

std::optional<std::string> qv_file::readRest() {
  std::string out;
  char buf[65536];
  for (;;) {
    int64_t n = read(buf, sizeof buf);
    if (n < 0) return std::nullopt;
    if (n == 0) return out;
    out.append(buf, static_cast<size_t>(n));
  }
}

int64_t qv_file::readAt(int64_t offset, void* buffer, size_t size) {
  if (fd_ < 0 || offset < 0) return -1;
  size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd_, static_cast<char*>(buffer) + done, size - done,
                        static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<int64_t>(done);
}

bool qv_file::writeAt(int64_t offset, std::string_view data) {
  if (fd_ < 0 || offset < 0) return false;
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n =
        ::pwrite(fd_, data.data() + done, data.size() - done, static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

bool qv_file::seek(int64_t offset) {
  return fd_ >= 0 && offset >= 0 && ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
}

bool qv_file::seekEnd() { return fd_ >= 0 && ::lseek(fd_, 0, SEEK_END) >= 0; }

int64_t qv_file::tell() const { return fd_ < 0 ? -1 : static_cast<int64_t>(::lseek(fd_, 0, SEEK_CUR)); }

int64_t qv_file::size() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
  return static_cast<int64_t>(st.st_size);
}

bool qv_file::truncate(int64_t size) {
  return fd_ >= 0 && size >= 0 && ::ftruncate(fd_, static_cast<off_t>(size)) == 0;
}

std::optional<qv_file_stamp> qv_file::stamp() const {
  struct stat st;
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return std::nullopt;
  qv_file_stamp s;
  s.device = static_cast<uint64_t>(st.st_dev);
  s.inode = static_cast<uint64_t>(st.st_ino);
  s.size = static_cast<int64_t>(st.st_size);
  s.changeNanos = static_cast<int64_t>(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

// ---- opening files -------------------------------------------------------

namespace {

// The open(2) flags of an fopen-style mode; -1 for a mode that is not one.
int openFlags(std::string_view mode) {
  if (mode.empty()) return -1;
  bool plus = false;
  for (char c : mode.substr(1)) {
    if (c == '+') {
      plus = true;
    } else if (c != 'b' && c != 't') {
      return -1;
    }
  }
  switch (mode[0]) {
    case 'r':
      return plus ? O_RDWR : O_RDONLY;
    case 'w':
      return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a':
      return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default:
      return -1;
  }
}

}  // namespace

namespace qv_platform {

qv_file openPath(const std::string& path, std::string_view mode) {
  int flags = openFlags(mode);
  if (flags < 0) {
    errno = EINVAL;
    return qv_file();
  }
  int fd;
  do {
    fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd >= 0 ? qv_file(fd) : qv_file();
}

qv_file createTemporaryFile(const std::string& templ, std::string& name) {
  name = templ;
  if (name.size() < 6 || name.compare(name.size() - 6, 6, "XXXXXX") != 0) name += "XXXXXX";
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  int fd = ::mkostemp(buf.data(), O_CLOEXEC);
  if (fd < 0) return qv_file();
  name.assign(buf.data());
  return qv_file(fd);
}

}  // namespace qv_platform

qv_file openRegularFile(const std::string& path, std::string_view mode, qv_final_link link, std::string* whyNot) {
  const auto refuse = [&](std::string why) {
    if (whyNot != nullptr) *whyNot = std::move(why);
    return qv_file();
  };
  int flags = openFlags(mode);
  if (flags < 0) return refuse(qv_platform::systemErrorText(EINVAL));
  // Non-blocking so that opening a pipe without a writer (or reader) returns
  // at once; the file type is checked before anything is read or written.
  flags |= O_CLOEXEC | O_NONBLOCK;
  if (link == qv_final_link::Refuse) flags |= O_NOFOLLOW;
  int fd = -1;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    const int error = errno;
    if (error == ELOOP && link == qv_final_link::Refuse) {
      struct stat st;
      if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        errno = error;
        return refuse("it is a symbolic link, not a regular file");
      }
    }
    errno = error;
    return refuse(qv_platform::systemErrorText(error));
  }
  qv_file file(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    const int error = errno;
    errno = error;
    return refuse(qv_platform::systemErrorText(error));
  }
  if (!S_ISREG(st.st_mode)) {
    errno = EINVAL;
    return refuse(S_ISDIR(st.st_mode) ? "it is a directory, not a regular file" : "it is not a regular file");
  }
  const int status = ::fcntl(fd, F_GETFL);
  if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
    const int error = errno;
    errno = error;
    return refuse(qv_platform::systemErrorText(error));
  }
  return file;
}

// ---- byte-range locks ----------------------------------------------------

namespace {

// Open-file-description locks belong to the open file, not to the process:
// closing another descriptor of the same file in this process keeps them.
int setLock(int fd, short type, int64_t offset, int64_t length) {
  struct flock fl {};
  fl.l_type = type;
  fl.l_whence = SEEK_SET;
  fl.l_start = static_cast<off_t>(offset);
  fl.l_len = static_cast<off_t>(length);
  fl.l_pid = 0;
  for (;;) {
    if (::fcntl(fd, F_OFD_SETLK, &fl) == 0) return 0;
    if (errno != EINTR) return errno;
  }
}

bool isBusy(int code) { return code == EAGAIN || code == EACCES; }

}  // namespace

namespace qv_platform {

std::string descriptorName(int fd) {
  char buf[4096];
  std::string link = "/proc/self/fd/" + std::to_string(fd);
  ssize_t n = fd >= 0 ? ::readlink(link.c_str(), buf, sizeof buf - 1) : -1;
  if (n <= 0) return "descriptor " + std::to_string(fd);
  return std::string(buf, static_cast<size_t>(n));
}

int lockRange(int fd, int64_t offset, int64_t length) {
  if (fd < 0) return EBADF;
  if (offset < 0 || length <= 0) return EINVAL;
  int accmode = ::fcntl(fd, F_GETFL);
  if (accmode < 0) return errno;
  short type = (accmode & O_ACCMODE) == O_RDONLY ? F_RDLCK : F_WRLCK;
  // Retry for about ten seconds, starting with short pauses so that a lock
  // held for a moment (one record's write) costs little.
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  int pauseMicros = 200;
  for (;;) {
    int error = setLock(fd, type, offset, length);
    if (error == 0) return 0;
    if (!isBusy(error) || std::chrono::steady_clock::now() >= deadline) return error;
    std::this_thread::sleep_for(std::chrono::microseconds(pauseMicros));
    if (pauseMicros < 50000) pauseMicros *= 2;
  }
}

int unlockRange(int fd, int64_t offset, int64_t length) {
  if (fd < 0 || offset < 0 || length <= 0) return EINVAL;
  return setLock(fd, F_UNLCK, offset, length);
}

}  // namespace qv_platform
