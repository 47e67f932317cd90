#include "registry/day_index_summary.h"

#include <charconv>

#include "registry/task_record.h"

int64_t qv_dayindex_summary::records() const { return qv_tasklayout::recordCount(coveredBytes); }

void qv_dayindex_summary::add(int64_t taskId) {
  if (records() == 0) {
    maxId = taskId;
  } else if (taskId > maxId) {
    maxId = taskId;
  } else {
    ascending = false;
  }
  lastId = taskId;
  coveredBytes += qv_tasklayout::kRecordSize;
}

namespace qv_dayindexsummary {
namespace {

constexpr std::string_view kTag = "qv-day-index-summary 1 ";

// Reads one decimal integer and the single character after it.
bool takeNumber(std::string_view& text, int64_t& value, char after) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || p == end || *p != after) return false;
  text.remove_prefix(static_cast<size_t>(p - text.data()) + 1);
  return true;
}

}  // namespace

std::string summaryPath(const std::string& dayDir) { return dayDir + "/task_id.summary"; }

std::string buildSummary(const qv_dayindex_summary& s) {
  return std::string(kTag) + std::to_string(s.coveredBytes) + " " + std::to_string(s.maxId) + " " +
         std::to_string(s.lastId) + " " + (s.ascending ? "1" : "0") + "\n";
}

std::optional<qv_dayindex_summary> parseSummary(std::string_view text) {
  if (text.substr(0, kTag.size()) != kTag) return std::nullopt;
  text.remove_prefix(kTag.size());
  qv_dayindex_summary s;
  int64_t ascending = 0;
  if (!takeNumber(text, s.coveredBytes, ' ') || !takeNumber(text, s.maxId, ' ') || !takeNumber(text, s.lastId, ' ') ||
      !takeNumber(text, ascending, '\n') || !text.empty()) {
    return std::nullopt;
  }
  if (ascending != 0 && ascending != 1) return std::nullopt;
  s.ascending = ascending == 1;
  if (s.coveredBytes < qv_tasklayout::kHeaderSize ||
      (s.coveredBytes - qv_tasklayout::kHeaderSize) % qv_tasklayout::kRecordSize != 0) {
    return std::nullopt;
  }
  return s;
}

}  // namespace qv_dayindexsummary
