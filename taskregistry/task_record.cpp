#include "taskregistry/task_record.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace qv_tasklayout {
namespace {

// Writes `text` left-aligned into `width` bytes at `column` (already spaces).
void putField(std::string& record, int column, int width, std::string_view text) {
  record.replace(static_cast<size_t>(column), std::min(text.size(), static_cast<size_t>(width)),
                 text.substr(0, static_cast<size_t>(width)));
}

// The standard decimal conversion of the leading part of one column.
long long columnInteger(std::string_view bytes, int column, int width) {
  char buffer[32];
  const size_t n = std::min(static_cast<size_t>(width), sizeof buffer - 1);
  bytes.substr(static_cast<size_t>(column), n).copy(buffer, n);
  buffer[n] = '\0';
  return std::strtoll(buffer, nullptr, 10);
}

int32_t clamp32(long long v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<int32_t>(v);
}

}  // namespace

std::string identifierText(int64_t taskId) { return std::to_string(taskId); }

std::string buildRecord(const qv_taskrecord& r) {
  std::string record(static_cast<size_t>(kRecordSize), ' ');
  putField(record, kIdColumn, kIdWidth, identifierText(r.taskId));
  putField(record, kJobColumn, kNumberWidth, std::to_string(r.jobNumber));
  putField(record, kCreatedColumn, kNumberWidth, std::to_string(r.creationTime));
  putField(record, kStateColumn, kNumberWidth, std::to_string(r.state));
  putField(record, kErrorColumn, kNumberWidth, std::to_string(r.errorNumber));
  putField(record, kUpdatedColumn, kNumberWidth, std::to_string(r.lastUpdate));
  putField(record, kNameColumn, kNameWidth, r.resultsFileName);
  putField(record, kSpareColumn, kNumberWidth, std::to_string(r.spare));
  record[static_cast<size_t>(kRecordSize - 1)] = '\n';
  return record;
}

int64_t parseIdentifier(std::string_view idColumn) {
  const size_t n = std::min(idColumn.size(), static_cast<size_t>(kIdWidth));
  // The form this program writes (digits, then spaces) converts exactly as an
  // integer; 14 digits are well inside the doubles' exact range, so the
  // result is the one the floating-point reading below gives.
  size_t digits = 0;
  while (digits < n && idColumn[digits] >= '0' && idColumn[digits] <= '9') ++digits;
  if (digits > 0 && idColumn.find_first_not_of(' ', digits) >= n) {
    int64_t value = 0;
    for (size_t i = 0; i < digits; ++i) value = value * 10 + (idColumn[i] - '0');
    return value;
  }
  char buffer[kIdWidth + 1];
  idColumn.copy(buffer, n);
  buffer[n] = '\0';
  const double value = std::strtod(buffer, nullptr) + 0.001;
  // 2^63 is the first double beyond the signed 64-bit range.
  if (!std::isfinite(value) || value >= 9223372036854775808.0 || value < -9223372036854775808.0) return 0;
  return static_cast<int64_t>(value);
}

std::optional<qv_taskrecord> parseRecord(std::string_view bytes) {
  if (bytes.size() != static_cast<size_t>(kRecordSize)) return std::nullopt;
  qv_taskrecord r;
  r.taskId = parseIdentifier(bytes.substr(kIdColumn, kIdWidth));
  r.jobNumber = clamp32(columnInteger(bytes, kJobColumn, kNumberWidth));
  r.creationTime = columnInteger(bytes, kCreatedColumn, kNumberWidth);
  r.state = clamp32(columnInteger(bytes, kStateColumn, kNumberWidth));
  r.errorNumber = clamp32(columnInteger(bytes, kErrorColumn, kNumberWidth));
  r.lastUpdate = columnInteger(bytes, kUpdatedColumn, kNumberWidth);
  std::string_view name = bytes.substr(kNameColumn, kNameWidth);
  // The name ends where the padding starts; a NUL never belongs to a name.
  name = name.substr(0, name.find('\0'));
  const size_t last = name.find_last_not_of(" \n\r");
  r.resultsFileName = last == std::string_view::npos ? std::string() : std::string(name.substr(0, last + 1));
  r.spare = clamp32(columnInteger(bytes, kSpareColumn, kNumberWidth));
  return r;
}

std::string dayName(int64_t taskId) {
  static std::mutex localtimeMutex;  // std::localtime shares one buffer
  const std::time_t t = static_cast<std::time_t>(taskId / 100);
  std::tm parts{};
  {
    std::lock_guard<std::mutex> hold(localtimeMutex);
    const std::tm* p = std::localtime(&t);
    if (p == nullptr) return {};
    parts = *p;
  }
  const long long year = static_cast<long long>(parts.tm_year) + 1900;
  if (year < 0 || year > 9999) return {};
  char text[32];
  std::snprintf(text, sizeof text, "%04lld%02d%02d", year, parts.tm_mon + 1, parts.tm_mday);
  return text;
}

std::string dayDirectory(const std::string& interFileBasePath, int64_t taskId) {
  const std::string name = dayName(taskId);
  if (name.empty()) return {};
  return interFileBasePath + "/" + name;
}

std::string dayIndexPath(const std::string& dayDir) { return dayDir + "/task_id"; }

std::string taskFilePath(const std::string& dayDir, int64_t taskId) {
  return dayDir + "/" + identifierText(taskId) + ".task";
}

}  // namespace qv_tasklayout
