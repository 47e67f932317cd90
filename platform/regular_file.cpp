#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace qv_platform {

EntryKind entryKind(const std::string& path) {
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) {
    return errno == ENOENT || errno == ENOTDIR || errno == ENAMETOOLONG ? EntryKind::None : EntryKind::Other;
  }
  return S_ISREG(st.st_mode) ? EntryKind::Regular : EntryKind::Other;
}

WholeFile readRegularFile(const std::string& path, size_t maxBytes) {
  WholeFile result;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (errno == ENOENT || errno == ENOTDIR) {
      result.status = ReadStatus::Missing;
    } else if (errno == ELOOP) {
      result.status = ReadStatus::NotRegular;  // the name is a symbolic link
    } else {
      result.errorCode = errno;
    }
    return result;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    result.errorCode = errno;
  } else if (!S_ISREG(st.st_mode)) {
    result.status = ReadStatus::NotRegular;
  } else if (static_cast<unsigned long long>(st.st_size) > maxBytes) {
    result.status = ReadStatus::TooLarge;
  } else {
    // One byte more than allowed tells a file that grew from one that fits.
    result.bytes.resize(static_cast<size_t>(st.st_size) + 1);
    size_t have = 0;
    result.status = ReadStatus::Read;
    for (;;) {
      if (have == result.bytes.size()) {
        if (have > maxBytes) {
          result.status = ReadStatus::TooLarge;
          break;
        }
        result.bytes.resize(std::min(maxBytes + 1, have * 2));
      }
      const ssize_t n = ::read(fd, result.bytes.data() + have, result.bytes.size() - have);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result.status = ReadStatus::Failed;
        result.errorCode = errno;
        break;
      }
      if (n == 0) break;
      have += static_cast<size_t>(n);
    }
    if (result.status == ReadStatus::Read) {
      result.bytes.resize(have);
      ::close(fd);
      return result;
    }
  }
  ::close(fd);
  result.bytes.clear();
  return result;
}

}  // namespace qv_platform
