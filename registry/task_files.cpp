#include "registry/task_files.h"

#include <utility>
#include <vector>

#include "platform/system_error.h"
#include "registry/engine_error.h"

namespace qv_taskfiles {
namespace {

using qv_tasklayout::kHeaderSize;
using qv_tasklayout::kIdWidth;
using qv_tasklayout::kRecordSize;
using qv_tasklayout::recordCount;
using qv_tasklayout::recordOffset;

// Records read at a time while scanning a file.
constexpr int64_t kScanChunkRecords = 1024;

std::string lastSystemText() { return qv_platform::systemErrorText(qv_platform::lastErrorCode()); }

// The text to report for a read or write that came up short: the system's
// text when the call failed, otherwise what happened.
std::string shortTransferText(int64_t result) {
  return result < 0 ? lastSystemText() : std::string("the file ended before the whole record");
}

// An existing registry file opened for reading and writing and locked on
// bytes 0 to 3 for one operation.
class LockedFile {
 public:
  explicit LockedFile(std::string path) : path_(std::move(path)) {}
  ~LockedFile() { (void)close(); }
  LockedFile(const LockedFile&) = delete;
  LockedFile& operator=(const LockedFile&) = delete;

  int open() {
    file_ = openFile(path_, "r+b", false);
    if (!file_.isOpen()) {
      reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path_);
      return REGISTRY_ERR_OPEN;
    }
    // Without the lock the operation still goes on, as every writer does.
    locked_ = lockRegion(file_.descriptor(), 0, 4, false) == 0;
    return REGISTRY_OK;
  }

  int close() {
    if (!file_.isOpen()) return REGISTRY_OK;
    if (locked_) (void)unlockRegion(file_.descriptor(), 0, 4);
    locked_ = false;
    if (!file_.close()) {
      reportError(ERR_FAILED_TO_CLOSE_FILE, kRegistryJob, __LINE__, __FILE__, path_);
      return REGISTRY_ERR_CLOSE;
    }
    return REGISTRY_OK;
  }

  qv_file& file() { return file_; }
  const std::string& path() const { return path_; }
  bool locked() const { return locked_; }

 private:
  std::string path_;
  qv_file file_;
  bool locked_ = false;
};

int reportReadFailure(const std::string& path, int64_t result) {
  reportError(ERR_READING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, shortTransferText(result), path);
  return REGISTRY_ERR_READ;
}

// Reads the identifier of record `index`.
int readIdentifier(qv_file& file, const std::string& path, int64_t index, int64_t& id) {
  char column[kIdWidth];
  const int64_t got = file.readAt(recordOffset(index), column, sizeof column);
  if (got != static_cast<int64_t>(sizeof column)) return reportReadFailure(path, got);
  id = qv_tasklayout::parseIdentifier(std::string_view(column, sizeof column));
  return REGISTRY_OK;
}

// Reads record `index` whole.
int readRecordAt(qv_file& file, const std::string& path, int64_t offset, qv_found_record& out) {
  std::string bytes(static_cast<size_t>(kRecordSize), '\0');
  const int64_t got = file.readAt(offset, bytes.data(), bytes.size());
  if (got != kRecordSize) return reportReadFailure(path, got);
  out.position = offset;
  out.record = *qv_tasklayout::parseRecord(bytes);
  return REGISTRY_OK;
}

// Visits the records first..end-1 in order, a chunk at a time; `visit`
// returns false to stop. Registry error code.
template <typename Visit>
int scanRecords(qv_file& file, const std::string& path, int64_t first, int64_t end, Visit visit) {
  std::vector<char> buffer;
  for (int64_t i = first; i < end;) {
    const int64_t n = std::min(kScanChunkRecords, end - i);
    buffer.resize(static_cast<size_t>(n * kRecordSize));
    const int64_t got = file.readAt(recordOffset(i), buffer.data(), buffer.size());
    if (got != static_cast<int64_t>(buffer.size())) return reportReadFailure(path, got);
    for (int64_t k = 0; k < n; ++k) {
      if (!visit(i + k, std::string_view(buffer.data() + k * kRecordSize, static_cast<size_t>(kRecordSize)))) {
        return REGISTRY_OK;
      }
    }
    i += n;
  }
  return REGISTRY_OK;
}

std::optional<qv_dayindex_summary> readSummary(const std::string& dayDir) {
  qv_file file = openFile(qv_dayindexsummary::summaryPath(dayDir), "rb", false);
  if (!file.isOpen()) return std::nullopt;
  const std::optional<std::string> text = file.readRest();
  if (!text) return std::nullopt;
  return qv_dayindexsummary::parseSummary(*text);
}

// The summary of a locked day index, when it still describes the file: it
// covers no more than the file holds, and its last identifier is the one in
// the file at that place.
std::optional<qv_dayindex_summary> trustedSummary(qv_file& file, const std::string& path, const std::string& dayDir,
                                                  int64_t fileSize) {
  std::optional<qv_dayindex_summary> s = readSummary(dayDir);
  if (!s || s->coveredBytes > fileSize) return std::nullopt;
  if (s->records() > 0) {
    int64_t last = 0;
    if (readIdentifier(file, path, s->records() - 1, last) != REGISTRY_OK || last != s->lastId) {
      return std::nullopt;
    }
  }
  return s;
}

// First record in [0, count) of an ascending index with the identifier, by
// binary search.
int searchAscending(qv_file& file, const std::string& path, int64_t count, int64_t taskId,
                    std::optional<int64_t>& index) {
  int64_t lo = 0, hi = count;
  while (lo < hi) {
    const int64_t mid = lo + (hi - lo) / 2;
    int64_t id = 0;
    if (const int code = readIdentifier(file, path, mid, id); code != REGISTRY_OK) return code;
    if (id < taskId) {
      lo = mid + 1;
    } else {
      hi = mid;
    }
  }
  if (lo < count) {
    int64_t id = 0;
    if (const int code = readIdentifier(file, path, lo, id); code != REGISTRY_OK) return code;
    if (id == taskId) index = lo;
  }
  return REGISTRY_OK;
}

// Rewrites the summary file in place; the caller holds the day index's
// lock, which is what serialises the summary's readers and writers. A write
// cut short fails the line's check and is ignored by the next reader. The
// summary only saves work, so failures are passed over.
void writeSummary(const std::string& dayDir, const qv_dayindex_summary& summary) {
  const std::string path = qv_dayindexsummary::summaryPath(dayDir);
  const std::string line = qv_dayindexsummary::buildSummary(summary);
  qv_file file = openFile(path, "r+b", false);
  if (!file.isOpen()) file = openFile(path, "w+b", false);
  if (!file.isOpen() || !file.writeAt(0, line)) return;
  if (file.size() != static_cast<int64_t>(line.size())) (void)file.truncate(static_cast<int64_t>(line.size()));
  (void)file.close();
}

}  // namespace

int findRecord(const std::string& path, const std::string& dayDir, int64_t taskId,
               std::optional<qv_found_record>& found) {
  found.reset();
  LockedFile f(path);
  if (const int code = f.open(); code != REGISTRY_OK) return code;
  const int64_t count = recordCount(f.file().size());
  std::optional<int64_t> index;
  int code = REGISTRY_OK;
  const auto matches = [&](int64_t i, std::string_view rec) {
    if (qv_tasklayout::parseIdentifier(rec.substr(0, kIdWidth)) != taskId) return true;
    index = i;
    return false;
  };
  if (dayDir.empty()) {
    code = scanRecords(f.file(), path, 0, count, matches);
  } else {
    const std::optional<qv_dayindex_summary> trusted = trustedSummary(f.file(), path, dayDir, f.file().size());
    qv_dayindex_summary summary = trusted ? *trusted : qv_dayindex_summary{};
    const int64_t known = summary.records();
    // An ascending prefix holds an identifier at most once, and before any
    // later record: what the binary search finds is the first match.
    code = summary.ascending ? searchAscending(f.file(), path, known, taskId, index)
                             : scanRecords(f.file(), path, 0, known, matches);
    // Records the summary does not describe yet are read in order, all of
    // them, and the summary is extended over them, so that the next lookup
    // needs no scan.
    if (code == REGISTRY_OK && known < count) {
      code = scanRecords(f.file(), path, known, count, [&](int64_t i, std::string_view rec) {
        const int64_t id = qv_tasklayout::parseIdentifier(rec.substr(0, kIdWidth));
        summary.add(id);
        if (!index && id == taskId) index = i;
        return true;
      });
      if (code == REGISTRY_OK && f.locked()) writeSummary(dayDir, summary);
    }
  }
  if (code == REGISTRY_OK && index) {
    qv_found_record r;
    code = readRecordAt(f.file(), path, recordOffset(*index), r);
    if (code == REGISTRY_OK) found = std::move(r);
  }
  const int closeCode = f.close();
  return code != REGISTRY_OK ? code : closeCode;
}

int readTaskFile(const std::string& path, std::optional<qv_found_record>& found) {
  found.reset();
  LockedFile f(path);
  if (const int code = f.open(); code != REGISTRY_OK) return code;
  qv_found_record r;
  int code = readRecordAt(f.file(), path, 0, r);
  if (code == REGISTRY_OK) found = std::move(r);
  const int closeCode = f.close();
  return code != REGISTRY_OK ? code : closeCode;
}

int writeRecord(const std::string& path, int64_t position, const qv_taskrecord& record) {
  LockedFile f(path);
  if (const int code = f.open(); code != REGISTRY_OK) return code;
  int code = REGISTRY_OK;
  if (!f.file().writeAt(position, qv_tasklayout::buildRecord(record))) {
    reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path);
    code = REGISTRY_ERR_WRITE;
  }
  const int closeCode = f.close();
  return code != REGISTRY_OK ? code : closeCode;
}

// ---- The day index held under its lock while an identifier is appended.

qv_dayindex_writer::qv_dayindex_writer(std::string dayDir)
    : dayDir_(std::move(dayDir)), path_(qv_tasklayout::dayIndexPath(dayDir_)) {}

qv_dayindex_writer::~qv_dayindex_writer() { (void)close(); }

int qv_dayindex_writer::open() {
  // Create without truncating: another process may be creating it too.
  {
    qv_file created = openFile(path_, "ab", false);
    if (!created.isOpen()) {
      reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path_);
      return REGISTRY_ERR_CREATE;
    }
  }
  file_ = openFile(path_, "r+b", false);
  if (!file_.isOpen()) {
    reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path_);
    return REGISTRY_ERR_OPEN;
  }
  locked_ = lockRegion(file_.descriptor(), 0, 4, false) == 0;
  int64_t size = file_.size();
  if (size < kHeaderSize) {
    // New (or cut short before its header was whole): the header first.
    if (!file_.writeAt(0, qv_tasklayout::kHeader)) {
      reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path_);
      return REGISTRY_ERR_WRITE;
    }
    size = kHeaderSize;
  }
  std::optional<qv_dayindex_summary> s = trustedSummary(file_, path_, dayDir_, size);
  summary_ = s ? *s : qv_dayindex_summary{};
  return scanRecords(file_, path_, summary_.records(), recordCount(size), [&](int64_t, std::string_view rec) {
    summary_.add(qv_tasklayout::parseIdentifier(rec.substr(0, kIdWidth)));
    return true;
  });
}

std::optional<int64_t> qv_dayindex_writer::largestId() const {
  if (summary_.records() == 0) return std::nullopt;
  return summary_.maxId;
}

int qv_dayindex_writer::append(const qv_taskrecord& record, int64_t& position) {
  // After the last whole record, over a partial one if the file ends in one.
  position = summary_.coveredBytes;
  if (!file_.writeAt(position, qv_tasklayout::buildRecord(record))) {
    reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path_);
    return REGISTRY_ERR_WRITE;
  }
  summary_.add(record.taskId);
  if (locked_) writeSummary(dayDir_, summary_);
  return REGISTRY_OK;
}

int qv_dayindex_writer::close() {
  if (!file_.isOpen()) return REGISTRY_OK;
  if (locked_) (void)unlockRegion(file_.descriptor(), 0, 4);
  locked_ = false;
  if (!file_.close()) {
    reportError(ERR_FAILED_TO_CLOSE_FILE, kRegistryJob, __LINE__, __FILE__, path_);
    return REGISTRY_ERR_CLOSE;
  }
  return REGISTRY_OK;
}

}  // namespace qv_taskfiles
