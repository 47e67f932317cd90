#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <vector>

#include "platform/file_io.h"
#include "platform/system_error.h"

namespace qv_platform {

namespace {

constexpr std::string_view kTemporarySuffix = ".tmpXXXXXX";

// The longest file name the directory takes (NAME_MAX when it cannot tell).
size_t nameLimit(const std::string& dir) {
  const long limit = ::pathconf(dir.empty() ? "." : dir.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<size_t>(limit) : NAME_MAX;
}

// "." + as much of `name` as fits + ".tmpXXXXXX": a long name is cut, so the
// temporary file can be made beside any file whose name fits.
std::string temporaryName(std::string_view name, size_t limit) {
  const size_t room = limit > kTemporarySuffix.size() + 1 ? limit - kTemporarySuffix.size() - 1 : 0;
  return "." + std::string(name.substr(0, room)) + std::string(kTemporarySuffix);
}

// The mode the new file gets: the permission bits of the file it replaces,
// or owner read and write only for a file it makes.
mode_t finalMode(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) return st.st_mode & 0777;
  return 0600;
}

bool isMissing(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

ReplaceResult fail(std::string* error, const std::string& what, int code) {
  if (error != nullptr) *error = what + ": " + systemErrorText(code);
  return ReplaceResult::Failed;
}

// Puts the written temporary file `tmp` in the place of `path` by exchanging
// the two, then removes the old contents (now under the temporary name).
// The exchange fails when `path` is not there, so a removed file stays
// removed. On any result but Replaced `tmp` is left for the caller to remove.
ReplaceResult exchange(const std::string& tmp, const std::string& path, const std::string& dir, std::string* error) {
  if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0) {
    const int code = errno;
    if (code == ENOENT && isMissing(path)) return ReplaceResult::TargetGone;
    if (code == EINVAL || code == ENOSYS || code == EOPNOTSUPP) {
      return fail(error,
                  "the file system of " + (dir.empty() ? std::string(".") : dir) +
                      " cannot exchange two files in one step, and " + path +
                      " is not replaced without it (a file removed meanwhile would be made again)",
                  code);
    }
    return fail(error, "cannot exchange " + tmp + " with " + path, code);
  }
  if (::unlink(tmp.c_str()) != 0 && (errno == EISDIR || errno == EPERM)) {
    // A directory had taken the file's place: give it its place back.
    if (::renameat2(AT_FDCWD, tmp.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) != 0) {
      return fail(error, "cannot put " + path + " back from " + tmp, errno);
    }
    return fail(error, "cannot replace " + path, EISDIR);
  }
  return ReplaceResult::Replaced;
}

}  // namespace

ReplaceResult replaceFileAtomically(const std::string& path, std::string_view data, ReplaceMode mode,
                                    std::string* error) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // Whether the file is there is decided by the exchange, not here: it may
  // be removed while the new contents are written.
  struct stat old;
  if (::lstat(path.c_str(), &old) != 0) {
    if (errno != ENOENT) return fail(error, "cannot look at " + path, errno);
  } else if (S_ISDIR(old.st_mode)) {
    return fail(error, "cannot replace " + path, EISDIR);
  }

  const std::string tmpl = dir + temporaryName(name, nameLimit(dir));
  std::vector<char> buffer(tmpl.begin(), tmpl.end());
  buffer.push_back('\0');
  // Made with mode 0600: nobody else can read the contents while they are written.
  const int fd = ::mkostemp(buffer.data(), O_CLOEXEC);
  if (fd < 0) return fail(error, "cannot create a temporary file beside " + path, errno);
  const std::string tmp(buffer.data());
  int code = 0;
  std::string what;
  if (!writeAll(fd, data)) {
    code = errno;
    what = "cannot write " + tmp;
  } else if (::fsync(fd) != 0) {
    code = errno;
    what = "cannot flush " + tmp;
  } else if (::fchmod(fd, finalMode(path)) != 0) {
    code = errno;
    what = "cannot set the mode of " + tmp;
  }
  if (::close(fd) != 0 && code == 0) {
    code = errno;
    what = "cannot close " + tmp;
  }
  ReplaceResult result = ReplaceResult::Failed;
  if (code != 0) {
    result = fail(error, what, code);
  } else if (mode == ReplaceMode::ReplaceExisting) {
    result = exchange(tmp, path, dir, error);
  } else if (::rename(tmp.c_str(), path.c_str()) != 0) {
    result = fail(error, "cannot rename " + tmp + " to " + path, errno);
  } else {
    result = ReplaceResult::Replaced;
  }
  if (result != ReplaceResult::Replaced) ::unlink(tmp.c_str());
  return result;
}

}  // namespace qv_platform
