#pragma once
// Small files of a store that other users can write into (the security
// store: session files, options, schema): read only when the name itself is
// a regular file. A final symbolic link is never followed, a FIFO or device
// is never waited on, and the bytes read are those of the file named by the
// path's own bytes; nothing transcodes the name on the way.
#include <cstddef>
#include <string>

namespace qv_platform {

/// What stands at a path, the final symbolic link itself rather than what
/// it points to.
enum class EntryKind {
  None,     ///< nothing: no such entry (or a name that cannot exist)
  Regular,  ///< a regular file
  Other,    ///< anything else: a link (dangling or not), directory, FIFO,
            ///< device, socket, or an entry that cannot be looked at
};

/// The kind of the entry at `path`, without following a final link. Only
/// "no such file", "not a directory" on the way and "name too long" give
/// None; any other failure to look gives Other.
[[nodiscard]] EntryKind entryKind(const std::string& path);

/// How reading a whole small file ended.
enum class ReadStatus {
  Read,        ///< `bytes` holds the whole file
  Missing,     ///< no such file
  NotRegular,  ///< a final symbolic link, directory, FIFO, device or socket
  TooLarge,    ///< more than the bytes allowed
  Failed,      ///< could not be opened or read; `errorCode` says why
};

struct WholeFile {
  ReadStatus status = ReadStatus::Failed;
  std::string bytes;
  int errorCode = 0;  ///< the system error code when status is Failed
};

/// Reads the regular file `path` whole when it holds at most `maxBytes`.
/// The open neither follows a final symbolic link nor waits (O_NOFOLLOW,
/// O_NONBLOCK), and the descriptor's own status decides that it is a
/// regular file, so what is checked is what is read. A file that grows past
/// `maxBytes` while it is read is TooLarge.
[[nodiscard]] WholeFile readRegularFile(const std::string& path, size_t maxBytes);

}  // namespace qv_platform
