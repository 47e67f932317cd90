#pragma once
// Raw file primitives: an owned file descriptor opened with fopen-style
// modes, byte-range locks that serialise the processes sharing a text file,
// temporary files and the access rights of new files. Nothing here reports:
// failures come back as values and errno codes. The reporting forms that the
// rest of the system calls (openFile, lockRegion, unlockRegion,
// setAccessRights) are in errors/file_utilities.h.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// Identifies a file and its last change: device, inode, size and the
/// status-change time in nanoseconds. The change time moves with every
/// write and cannot be set back by a user, so an equal stamp means that no
/// one has written the file since the stamp was taken (to the clock's tick).
struct qv_file_stamp {
  uint64_t device = 0;
  uint64_t inode = 0;
  int64_t size = 0;
  int64_t changeNanos = 0;
  bool operator==(const qv_file_stamp&) const = default;
};

/// An open file (owns its descriptor; closed when destroyed). Move-only.
class qv_file {
 public:
  qv_file() = default;
  explicit qv_file(int fd) : fd_(fd) {}
  ~qv_file();
  qv_file(qv_file&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  qv_file& operator=(qv_file&& other) noexcept;
  qv_file(const qv_file&) = delete;
  qv_file& operator=(const qv_file&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  int descriptor() const { return fd_; }

  /// Closes the file; false when the system reports a failure (the
  /// descriptor is gone either way). Closing a closed file is true.
  bool close();

  /// Writes all of `data` at the current position (at the end in append
  /// mode); false on failure.
  [[nodiscard]] bool write(std::string_view data);
  /// Reads up to `size` bytes; the count read, 0 at the end, -1 on failure.
  [[nodiscard]] int64_t read(void* buffer, size_t size);
  /// Reads from the current position to the end of the file.
  [[nodiscard]] std::optional<std::string> readRest();
  /// Reads `size` bytes at `offset` without moving the position; the count read or -1.
  [[nodiscard]] int64_t readAt(int64_t offset, void* buffer, size_t size);
  /// Writes all of `data` at `offset` without moving the position.
  [[nodiscard]] bool writeAt(int64_t offset, std::string_view data);
  /// Moves the position to `offset` from the start; false on failure.
  [[nodiscard]] bool seek(int64_t offset);
  /// Moves the position to the end; false on failure.
  [[nodiscard]] bool seekEnd();
  /// The current position, -1 on failure.
  int64_t tell() const;
  /// The file's size in bytes, -1 on failure.
  int64_t size() const;
  /// Sets the file's size; false on failure.
  [[nodiscard]] bool truncate(int64_t size);
  /// Which file this is and when it last changed (see qv_file_stamp);
  /// nullopt on failure.
  [[nodiscard]] std::optional<struct qv_file_stamp> stamp() const;

 private:
  int fd_ = -1;
};

namespace qv_platform {

/// Opens `path` with an fopen-style `mode` ("r", "w", "a", each optionally
/// with "+", "b" and "t"; "b" and "t" change nothing here). New files get
/// mode 0666 less the umask. The returned file is closed (isOpen false) on
/// failure, with errno set (EINVAL for a mode that is not one).
qv_file openPath(const std::string& path, std::string_view mode);

/// Locks bytes offset..offset+length-1 of the open file `fd` for this open
/// file description (not per process: closing another descriptor of the same
/// file does not drop it). Exclusive when the descriptor can write, shared
/// when it is read-only. Waits, retrying for about ten seconds, while
/// another holder has the range. Returns 0 when locked, otherwise the
/// system error code. The file position is not changed.
[[nodiscard]] int lockRange(int fd, int64_t offset, int64_t length);

/// Releases a range locked by lockRange: 0 or the system error code.
[[nodiscard]] int unlockRange(int fd, int64_t offset, int64_t length);

/// The path behind an open descriptor, for messages ("descriptor N" when it
/// cannot be found).
std::string descriptorName(int fd);

/// Creates a new file from the template `templ`: its directory and name with
/// "XXXXXX" at the end (added when missing) replaced by characters that make
/// it unique. The file is created exclusively with mode 0600, so nobody can
/// plant a file or link under the name. On success `name` is the file's name;
/// on failure the returned file is closed and errno is set.
qv_file createTemporaryFile(const std::string& templ, std::string& name);

}  // namespace qv_platform

/// Whether openRegularFile follows a symbolic link in the last component.
enum class qv_final_link { Follow, Refuse };

/// Opens `path` like openFile (nothing is reported), but only when it is a
/// regular file: a directory, device, pipe or socket is refused without
/// waiting on it (opening a pipe never blocks), and with
/// qv_final_link::Refuse so is a symbolic link as the last component (a
/// link among the directories above stays fine). A file this call creates
/// is regular. On failure the file is closed and `whyNot` (when given)
/// receives the reason as text.
qv_file openRegularFile(const std::string& path, std::string_view mode, qv_final_link link,
                        std::string* whyNot = nullptr);

/// Result codes of setAccessRightsQuiet.
enum qv_access_result : int {
  QV_ACCESS_DONE = 0,
  QV_ACCESS_NOT_WRITABLE = 1,  ///< the owner's write permission could not be set
  QV_ACCESS_READ_ACL = 2,      ///< reading the access list failed
  QV_ACCESS_BUILD_ACL = 3,     ///< building the new access list failed
  QV_ACCESS_WRITE_ACL = 4,     ///< writing the new access list failed
};

/// Flag of setAccessRights: the path names a file-system object.
inline constexpr int QV_ACCESS_FILE_OBJECT = 1;

/// The outcome of one attempt to set access rights.
struct qv_access_outcome {
  int code = QV_ACCESS_DONE;        ///< a qv_access_result
  int systemCode = 0;               ///< the system error of the failing step
  bool usedGroupOwnership = false;  ///< no access lists here: group ownership was used
};

/// Makes `path` writable by its owner and gives the groups `group1` and
/// `group2` full access (read, write, execute; on a directory also as
/// default entries, inherited by what is created in it). A group that does
/// not exist on this system is skipped. On a file system without access
/// lists the first existing group becomes the group owner with read, write
/// and execute (and set-group-id on directories). Nothing is reported.
qv_access_outcome setAccessRightsQuiet(const std::string& path, const std::string& group1, const std::string& group2);
