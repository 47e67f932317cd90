#include "taskregistry/day_index_summary.h"

#include <charconv>
#include <cstdio>

#include "taskregistry/task_record.h"

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

constexpr std::string_view kTag = "qv-day-index-summary 2 ";
constexpr size_t kNumberWidth = 20;  // every number zero-padded: the line has one length
constexpr size_t kCheckWidth = 16;

// Reads one decimal integer (signed or unsigned, as `value` is) and the
// single character after it.
template <typename T>
bool takeNumber(std::string_view& text, T& value, char after) {
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || p == end || *p != after) return false;
  text.remove_prefix(static_cast<size_t>(p - text.data()) + 1);
  return true;
}

std::string paddedUnsigned(uint64_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*llu", static_cast<int>(kNumberWidth), static_cast<unsigned long long>(v));
  return text;
}

std::string padded(int64_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld", static_cast<int>(kNumberWidth), static_cast<long long>(v));
  return text;
}

// FNV-1a of the line before its check field, in hexadecimal.
std::string checkOf(std::string_view text) {
  uint64_t h = 1469598103934665603ULL;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ULL;
  }
  char hex[32];
  std::snprintf(hex, sizeof hex, "%0*llx", static_cast<int>(kCheckWidth), static_cast<unsigned long long>(h));
  return hex;
}

}  // namespace

std::string summaryPath(const std::string& dayDir) { return dayDir + "/task_id.summary"; }

std::string buildSummary(const qv_dayindex_summary& s) {
  std::string line = std::string(kTag) + padded(s.coveredBytes) + " " + padded(s.maxId) + " " + padded(s.lastId) + " " +
                     (s.ascending ? "1" : "0") + " " + paddedUnsigned(s.indexStamp.device) + " " +
                     paddedUnsigned(s.indexStamp.inode) + " " + padded(s.indexStamp.size) + " " +
                     padded(s.indexStamp.changeNanos) + " ";
  return line + checkOf(line) + "\n";
}

std::optional<qv_dayindex_summary> parseSummary(std::string_view text) {
  // A line cut short or mixed from two writes fails its check.
  if (text.size() < kCheckWidth + 1 || text.back() != '\n') return std::nullopt;
  const std::string_view body = text.substr(0, text.size() - kCheckWidth - 1);
  if (text.substr(body.size(), kCheckWidth) != checkOf(body)) return std::nullopt;
  text = body;
  if (text.substr(0, kTag.size()) != kTag) return std::nullopt;
  text.remove_prefix(kTag.size());
  qv_dayindex_summary s;
  int64_t ascending = 0;
  if (!takeNumber(text, s.coveredBytes, ' ') || !takeNumber(text, s.maxId, ' ') || !takeNumber(text, s.lastId, ' ') ||
      !takeNumber(text, ascending, ' ') || !takeNumber(text, s.indexStamp.device, ' ') ||
      !takeNumber(text, s.indexStamp.inode, ' ') || !takeNumber(text, s.indexStamp.size, ' ') ||
      !takeNumber(text, s.indexStamp.changeNanos, ' ') || !text.empty()) {
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
