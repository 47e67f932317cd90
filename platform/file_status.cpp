#include "platform/file_status.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/system_error.h"

namespace qv_platform {

FileStatus fileStatus(const std::string& path, StatusOf of) {
  FileStatus status;
  struct stat st;
  const int rc = of == StatusOf::Entry ? ::lstat(path.c_str(), &st) : ::stat(path.c_str(), &st);
  if (rc != 0) {
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR) return status;
    status.present = true;
    status.error = systemErrorText(code);
    return status;
  }
  status.present = true;
  status.known = true;
  if (S_ISREG(st.st_mode)) {
    status.kind = FileKind::Regular;
  } else if (S_ISDIR(st.st_mode)) {
    status.kind = FileKind::Directory;
  } else if (S_ISLNK(st.st_mode)) {
    status.kind = FileKind::SymbolicLink;
  }
  status.permissions = static_cast<uint32_t>(st.st_mode & 07777);
  return status;
}

}  // namespace qv_platform
