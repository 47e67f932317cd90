#include "platform/file_io.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace qv_platform {

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

bool appendToFile(const std::string& path, std::string_view line, std::string_view headerIfNew) {
  bool created = false;
  int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    created = true;
  } else if (errno == EEXIST) {
    // An existing log is written only when the name itself is a regular
    // file: never through a final symbolic link, and a FIFO or device is
    // neither waited on nor written.
    fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  }
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return false;
  }
  bool ok;
  if (created && !headerIfNew.empty()) {
    std::string both;
    both.reserve(headerIfNew.size() + line.size());
    both.append(headerIfNew).append(line);
    ok = writeAll(fd, both);
  } else {
    ok = writeAll(fd, line);
  }
  if (::close(fd) != 0) ok = false;
  return ok;
}

std::optional<std::string> readWholeFile(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (n == 0) break;
    out.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return out;
}

bool pathExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool writeStdout(std::string_view data) { return writeAll(STDOUT_FILENO, data); }

void holdClosedStandardStreams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF) continue;
    // open returns the lowest free number: this one, as the lower ones are open.
    const int held = ::open("/dev/null", O_RDONLY);
    if (held >= 0 && held != fd) ::close(held);
  }
}

namespace {
void brokenPipe(int) {}
}  // namespace

void treatBrokenPipesAsWriteErrors() {
  // Caught rather than ignored: a program started from this one gets the
  // default action back when it is executed, as it would expect.
  struct sigaction action = {};
  action.sa_handler = brokenPipe;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGPIPE, &action, nullptr);
}

std::optional<std::string> getEnv(const char* name) {
  const char* v = std::getenv(name);
  if (v == nullptr) return std::nullopt;
  return std::string(v);
}

}  // namespace qv_platform
