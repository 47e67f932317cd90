#pragma once
// The day index's summary file ("task_id.summary" beside "task_id"): how
// many bytes of the day index it describes, the largest identifier in them,
// and whether their identifiers strictly ascend. With it, handing out an
// identifier never scans the whole day index (a new identifier only has to
// exceed the largest), and a lookup in an ascending index is a binary search
// that finds the same record as a scan from the start would. The summary
// also holds the stamp of the day index (inode, size, status-change time)
// taken right after this program last read or wrote it: an index changed by
// anyone else since (a damaged or edited record) no longer matches, and its
// summary is ignored. The summary is read and rewritten in place only under
// the day index's lock; one that is missing, fails its check (a write cut
// short) or does not match the day index is ignored and rebuilt from the
// records, so it can never make a lookup wrong.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/qv_fileutil.h"

/// What the summary says about the first `coveredBytes` bytes of a day index.
struct qv_dayindex_summary {
  int64_t coveredBytes = 75;  ///< header plus whole records described
  int64_t maxId = 0;          ///< largest identifier (meaningful when records > 0)
  int64_t lastId = 0;         ///< identifier of the last record described
  bool ascending = true;      ///< every identifier exceeds all before it
  qv_file_stamp indexStamp;   ///< the day index when the summary was written
  int64_t records() const;
  /// Takes in the next record's identifier.
  void add(int64_t taskId);
};

namespace qv_dayindexsummary {

/// "task_id.summary" in the day directory.
std::string summaryPath(const std::string& dayDir);

/// The file's one line, always of the same length: "qv-day-index-summary 2
/// <covered> <max> <last> <ascending> <device> <inode> <size> <changed>
/// <check>\n", every number but <ascending> zero-padded to 20 characters
/// and <check> 16 hexadecimal digits of a hash of what precedes it.
std::string buildSummary(const qv_dayindex_summary& summary);

/// Parses the file's text; nullopt unless it is exactly one well-formed line
/// whose check matches and whose covered size is the header plus whole records.
std::optional<qv_dayindex_summary> parseSummary(std::string_view text);

}  // namespace qv_dayindexsummary
