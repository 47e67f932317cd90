#include "platform/file_replace.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
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

bool fail(std::string* error, const std::string& what, int code) {
  if (error != nullptr) *error = what + ": " + systemErrorText(code);
  return false;
}

}  // namespace

bool replaceFileAtomically(const std::string& path, std::string_view data, std::string* error) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
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
  if (code == 0 && ::rename(tmp.c_str(), path.c_str()) != 0) {
    code = errno;
    what = "cannot rename " + tmp + " to " + path;
  }
  if (code != 0) {
    ::unlink(tmp.c_str());
    return fail(error, what, code);
  }
  return true;
}

}  // namespace qv_platform
