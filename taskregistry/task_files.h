#pragma once
// Locked operations on the registry's text files: finding and reading a
// record, writing one back in place, and the day index held open under its
// lock while a new identifier is chosen and appended. Every operation takes
// the lock on bytes 0 to 3 of its file, releases it and closes the file
// before it returns; failures are reported to the engine reporter (job -21)
// and returned as registry error codes.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "errors/file_utilities.h"
#include "taskregistry/day_index_summary.h"
#include "taskregistry/task_record.h"

/// Registry error codes (0: the last operation succeeded).
enum qv_registry_code : int {
  REGISTRY_OK = 0,
  REGISTRY_ERR_OPEN = 1,      ///< an existing task file cannot be opened
  REGISTRY_ERR_CREATE = 2,    ///< a task file cannot be created
  REGISTRY_ERR_READ = 3,      ///< a record cannot be read whole
  REGISTRY_ERR_WRITE = 4,     ///< the header or a record cannot be written whole
  REGISTRY_ERR_CLOSE = 5,     ///< a task file cannot be closed
  REGISTRY_ERR_CONFIG = 7,    ///< the configuration is not valid
  REGISTRY_ERR_NAME_CUT = 9,  ///< the results file name was cut to 244 characters
};

/// The job number the registry reports with.
inline constexpr int32_t kRegistryJob = -21;

/// A record and where it was found.
struct qv_found_record {
  int64_t position = -1;
  qv_taskrecord record;
};

namespace qv_taskfiles {

/// Finds the first record of `taskId` in a legacy registry or day index.
/// `dayDir` names the day directory of a day index, whose summary (when
/// valid) turns the search into a binary search; empty for the legacy
/// registry. Returns the registry error code; `found` is empty when no
/// record holds the identifier.
[[nodiscard]] int findRecord(const std::string& path, const std::string& dayDir, int64_t taskId,
                             std::optional<qv_found_record>& found);

/// Reads the record at byte 0 of a task file.
[[nodiscard]] int readTaskFile(const std::string& path, std::optional<qv_found_record>& found);

/// Writes `record` at `position` of the existing file `path`. `dayDir`
/// names the day directory when `path` is its day index (empty otherwise),
/// so that a summary that matched the index before the write is kept in
/// step. A record whose identifier does not fit its column is refused
/// (code 4) and nothing is written.
int writeRecord(const std::string& path, int64_t position, const qv_taskrecord& record,
                const std::string& dayDir = {});

/// An existing registry file opened for reading and writing and locked on
/// bytes 0 to 3 for one operation: opened by open(), unlocked and closed by
/// close() or at the latest by the destructor. Failures are reported to the
/// engine reporter.
class qv_locked_registry_file {
 public:
  explicit qv_locked_registry_file(std::string path) : path_(std::move(path)) {}
  ~qv_locked_registry_file() { (void)close(); }
  qv_locked_registry_file(const qv_locked_registry_file&) = delete;
  qv_locked_registry_file& operator=(const qv_locked_registry_file&) = delete;

  /// Opens the file (a regular file, not a link in its own name) and takes
  /// its lock; without the lock the operation still goes on, as every
  /// writer does (see locked()). Code 1 when it cannot be opened.
  [[nodiscard]] int open();
  /// Unlocks and closes; code 5 when closing fails, 0 when it is not open.
  int close();

  /// The open file; valid between open() and close().
  qv_file& file() { return file_; }
  const std::string& path() const { return path_; }
  /// Whether the lock was taken.
  bool locked() const { return locked_; }

 private:
  std::string path_;
  qv_file file_;
  bool locked_ = false;
};

/// The day index of one day directory, created when missing (with its
/// header) and held open under its lock for the life of the object, with its
/// summary brought up to date. Used to choose and append a new identifier
/// without another process appending in between.
class qv_dayindex_writer {
 public:
  explicit qv_dayindex_writer(std::string dayDir);
  ~qv_dayindex_writer();
  qv_dayindex_writer(const qv_dayindex_writer&) = delete;
  qv_dayindex_writer& operator=(const qv_dayindex_writer&) = delete;

  /// Opens (creating when missing), locks and summarises. The day index must
  /// be a regular file, not a link, that begins with the header (or a part
  /// of it, which is then completed); otherwise code 2 (cannot create) or 1
  /// (cannot open) and nothing is written. Registry error code.
  [[nodiscard]] int open();
  /// The largest identifier in the day index for which `belongs` is true
  /// (identifiers of this day), or nullopt when it has none. Registry error
  /// code.
  [[nodiscard]] int largestIdOfDay(const std::function<bool(int64_t)>& belongs, std::optional<int64_t>& largest);
  /// Writes `record` after the last whole record; its offset goes to
  /// `position`. The summary file is rewritten. Registry error code.
  [[nodiscard]] int append(const qv_taskrecord& record, int64_t& position);
  /// Unlocks and closes; registry error code (5 when closing fails).
  int close();

 private:
  std::string dayDir_;
  qv_locked_registry_file index_;
  qv_dayindex_summary summary_;
};

}  // namespace qv_taskfiles
