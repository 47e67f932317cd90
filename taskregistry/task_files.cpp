#include "taskregistry/task_files.h"

#include <algorithm>
#include <cerrno>
#include <utility>
#include <vector>

#include "platform/system_error.h"
#include "errors/engine_error.h"

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

// Registry files are opened only when they are regular files, and never
// through a symbolic link in their own name: a link planted in a day
// directory must not make the program write into another file, and a pipe
// or device must not make it wait for ever while it holds a lock.
qv_file openRegistryFile(const std::string& path, std::string_view mode, std::string& why) {
  return openRegularFile(path, mode, qv_final_link::Refuse, &why);
}

// A record whose identifier would not fit its column is never written: cut
// to the column it would be another identifier.
int refuseUnfitRecord(const std::string& path, const qv_taskrecord& record) {
  if (qv_tasklayout::fitsIdentifierColumn(record.taskId)) return REGISTRY_OK;
  reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__,
              "the identifier " + qv_tasklayout::identifierText(record.taskId) + " does not fit its column", path);
  return REGISTRY_ERR_WRITE;
}

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

// The summary is a cache: one that is not a plain regular file is ignored.
std::optional<qv_dayindex_summary> readSummary(const std::string& dayDir) {
  std::string why;
  qv_file file = openRegistryFile(qv_dayindexsummary::summaryPath(dayDir), "rb", why);
  if (!file.isOpen()) return std::nullopt;
  const std::optional<std::string> text = file.readRest();
  if (!text) return std::nullopt;
  return qv_dayindexsummary::parseSummary(*text);
}

// The summary of a locked day index, when it still describes the file: the
// index is the one it was written for and unchanged since (its stamp), it
// covers no more than the file holds, and its last identifier is the one in
// the file at that place.
std::optional<qv_dayindex_summary> trustedSummary(qv_file& file, const std::string& path, const std::string& dayDir,
                                                  int64_t fileSize) {
  std::optional<qv_dayindex_summary> s = readSummary(dayDir);
  if (!s || s->coveredBytes > fileSize) return std::nullopt;
  const std::optional<qv_file_stamp> now = file.stamp();
  if (!now || *now != s->indexStamp) return std::nullopt;
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

// Rewrites the summary file in place, stamped with the day index as it is
// now; the caller holds the day index's lock, which is what serialises the
// summary's readers and writers. A write cut short fails the line's check
// and is ignored by the next reader. The summary only saves work, so
// failures are passed over, and a summary that is not a plain regular file
// (a link, a pipe) is left alone: nothing is written through it.
void writeSummary(const std::string& dayDir, qv_dayindex_summary summary, const qv_file& index) {
  const std::optional<qv_file_stamp> stamp = index.stamp();
  if (!stamp) return;
  summary.indexStamp = *stamp;
  const std::string path = qv_dayindexsummary::summaryPath(dayDir);
  const std::string line = qv_dayindexsummary::buildSummary(summary);
  std::string why;
  qv_file file = openRegistryFile(path, "r+b", why);
  if (!file.isOpen() && qv_platform::lastErrorCode() == ENOENT) file = openRegistryFile(path, "w+b", why);
  if (!file.isOpen() || !file.writeAt(0, line)) return;
  if (file.size() != static_cast<int64_t>(line.size())) (void)file.truncate(static_cast<int64_t>(line.size()));
  (void)file.close();
}

}  // namespace

// ---- A registry file held under its lock for one operation.

int qv_locked_registry_file::open() {
  std::string why;
  file_ = openRegistryFile(path_, "r+b", why);
  if (!file_.isOpen()) {
    reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, why, path_);
    return REGISTRY_ERR_OPEN;
  }
  // Without the lock the operation still goes on, as every writer does.
  locked_ = lockRegion(file_.descriptor(), 0, 4, false) == 0;
  return REGISTRY_OK;
}

int qv_locked_registry_file::close() {
  if (!file_.isOpen()) return REGISTRY_OK;
  if (locked_) (void)unlockRegion(file_.descriptor(), 0, 4);
  locked_ = false;
  if (!file_.close()) {
    reportError(ERR_FAILED_TO_CLOSE_FILE, kRegistryJob, __LINE__, __FILE__, path_);
    return REGISTRY_ERR_CLOSE;
  }
  return REGISTRY_OK;
}

int findRecord(const std::string& path, const std::string& dayDir, int64_t taskId,
               std::optional<qv_found_record>& found) {
  found.reset();
  qv_locked_registry_file f(path);
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
    // A miss of the binary search is confirmed by the scan: the answer is
    // always the one of a scan from the start.
    if (code == REGISTRY_OK && !index && summary.ascending && known > 0) {
      code = scanRecords(f.file(), path, 0, known, matches);
    }
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
      if (code == REGISTRY_OK && f.locked()) writeSummary(dayDir, summary, f.file());
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
  qv_locked_registry_file f(path);
  if (const int code = f.open(); code != REGISTRY_OK) return code;
  qv_found_record r;
  int code = readRecordAt(f.file(), path, 0, r);
  if (code == REGISTRY_OK) found = std::move(r);
  const int closeCode = f.close();
  return code != REGISTRY_OK ? code : closeCode;
}

int writeRecord(const std::string& path, int64_t position, const qv_taskrecord& record, const std::string& dayDir) {
  if (const int code = refuseUnfitRecord(path, record); code != REGISTRY_OK) return code;
  qv_locked_registry_file f(path);
  if (const int code = f.open(); code != REGISTRY_OK) return code;
  // A summary that described the index before this write still does after
  // it when the record keeps its identifier: it is stamped anew.
  std::optional<qv_dayindex_summary> summary;
  if (!dayDir.empty() && f.locked()) {
    summary = trustedSummary(f.file(), path, dayDir, f.file().size());
    int64_t idThere = 0;
    if (summary && (position < qv_tasklayout::kHeaderSize || position + kRecordSize > summary->coveredBytes ||
                    (position - qv_tasklayout::kHeaderSize) % kRecordSize != 0 ||
                    readIdentifier(f.file(), path, (position - qv_tasklayout::kHeaderSize) / kRecordSize, idThere) !=
                        REGISTRY_OK ||
                    idThere != record.taskId)) {
      summary.reset();
    }
  }
  int code = REGISTRY_OK;
  if (!f.file().writeAt(position, qv_tasklayout::buildRecord(record))) {
    reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path);
    code = REGISTRY_ERR_WRITE;
  } else if (summary) {
    writeSummary(dayDir, *summary, f.file());
  }
  const int closeCode = f.close();
  return code != REGISTRY_OK ? code : closeCode;
}

// ---- The day index held under its lock while an identifier is appended.

qv_dayindex_writer::qv_dayindex_writer(std::string dayDir)
    : dayDir_(std::move(dayDir)), index_(qv_tasklayout::dayIndexPath(dayDir_)) {}

qv_dayindex_writer::~qv_dayindex_writer() { (void)close(); }

int qv_dayindex_writer::open() {
  const std::string& path = index_.path();
  // Create without truncating: another process may be creating it too.
  {
    std::string why;
    qv_file created = openRegistryFile(path, "a+b", why);
    if (!created.isOpen()) {
      reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, why, path);
      return REGISTRY_ERR_CREATE;
    }
  }
  if (const int code = index_.open(); code != REGISTRY_OK) return code;
  qv_file& file = index_.file();
  int64_t size = file.size();
  // Records go only into a file that is a day index: it begins with the
  // header, or with a part of it when a writer died while making it.
  const int64_t headerBytes = std::min(size, kHeaderSize);
  std::string start(static_cast<size_t>(std::max<int64_t>(headerBytes, 0)), '\0');
  const int64_t got = headerBytes > 0 ? file.readAt(0, start.data(), start.size()) : 0;
  if (got != headerBytes) return reportReadFailure(path, got);
  if (start != qv_tasklayout::kHeader.substr(0, start.size())) {
    reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__,
                std::string("the file does not begin with the day index header"), path);
    return REGISTRY_ERR_OPEN;
  }
  if (size < kHeaderSize) {
    // New (or cut short before its header was whole): the header first.
    if (!file.writeAt(0, qv_tasklayout::kHeader)) {
      reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), path);
      return REGISTRY_ERR_WRITE;
    }
    size = kHeaderSize;
  }
  std::optional<qv_dayindex_summary> s = trustedSummary(file, path, dayDir_, size);
  summary_ = s ? *s : qv_dayindex_summary{};
  return scanRecords(file, path, summary_.records(), recordCount(size), [&](int64_t, std::string_view rec) {
    summary_.add(qv_tasklayout::parseIdentifier(rec.substr(0, kIdWidth)));
    return true;
  });
}

int qv_dayindex_writer::largestIdOfDay(const std::function<bool(int64_t)>& belongs, std::optional<int64_t>& largest) {
  largest.reset();
  if (summary_.records() == 0) return REGISTRY_OK;
  if (belongs(summary_.maxId)) {
    largest = summary_.maxId;
    return REGISTRY_OK;
  }
  // The largest identifier is not one of this day (a damaged or forged
  // record): the largest of those that are is looked for.
  return scanRecords(index_.file(), index_.path(), 0, summary_.records(), [&](int64_t, std::string_view rec) {
    const int64_t id = qv_tasklayout::parseIdentifier(rec.substr(0, kIdWidth));
    if ((!largest || id > *largest) && belongs(id)) largest = id;
    return true;
  });
}

int qv_dayindex_writer::append(const qv_taskrecord& record, int64_t& position) {
  if (const int code = refuseUnfitRecord(index_.path(), record); code != REGISTRY_OK) return code;
  // After the last whole record, over a partial one if the file ends in one.
  position = summary_.coveredBytes;
  if (!index_.file().writeAt(position, qv_tasklayout::buildRecord(record))) {
    reportError(ERR_WRITING_FILE_QUIET, kRegistryJob, __LINE__, __FILE__, lastSystemText(), index_.path());
    return REGISTRY_ERR_WRITE;
  }
  summary_.add(record.taskId);
  if (index_.locked()) writeSummary(dayDir_, summary_, index_.file());
  return REGISTRY_OK;
}

int qv_dayindex_writer::close() { return index_.close(); }

}  // namespace qv_taskfiles
