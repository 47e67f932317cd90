#pragma once
// The status of a path without opening it: whether an entry is there, what
// kind of file it is and its permission bits. For the checks that must fail
// closed: a path whose status cannot be read for a reason other than "no such
// entry" counts as present.
#include <cstdint>
#include <string>

namespace qv_platform {

/// The kind of file an entry is.
enum class FileKind { Regular, Directory, SymbolicLink, Other };

/// Permission bits of the class "others" (users neither owner nor group).
inline constexpr uint32_t kOthersRead = 04;
inline constexpr uint32_t kOthersWrite = 02;

/// Whose status is read when the last component is a symbolic link.
enum class StatusOf {
  Target,  ///< the file the link leads to (a dangling link is absent)
  Entry,   ///< the link itself (a dangling link is present)
};

/// What the system says about one path.
struct FileStatus {
  /// False only when the system says there is no such entry (no file of that
  /// name, or a component above it that is not a directory). A status that
  /// cannot be read for any other reason (no search permission on a
  /// directory above, an I/O error) leaves the entry present, unknown.
  bool present = false;
  /// True when kind and permissions were read.
  bool known = false;
  FileKind kind = FileKind::Other;
  /// The mode's permission bits (07777).
  uint32_t permissions = 0;
  /// The system's text when the status could not be read; empty otherwise.
  std::string error;
};

/// The status of `path` (stat for StatusOf::Target, lstat for StatusOf::Entry).
FileStatus fileStatus(const std::string& path, StatusOf of);

}  // namespace qv_platform
