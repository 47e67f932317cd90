#include "config/cron.h"

#include <algorithm>
#include <optional>

#include "config/config_messages.h"
#include "config/config_scan.h"

namespace {

enum Field { kMinutes = 0, kHours, kDaysOfMonth, kMonths, kDaysOfWeek };

struct FieldRange {
  int low;
  int high;
};

constexpr FieldRange kRanges[] = {{0, 59}, {0, 23}, {1, 31}, {1, 12}, {0, 6}};

constexpr int kInvalidCharacter = MSG_CRON_INVALID_CHARACTER;
constexpr int kOutOfRange = MSG_CRON_OUT_OF_RANGE;
constexpr int kInvalidStar = MSG_CRON_INVALID_STAR;
constexpr int kNumberBeforeComma = MSG_CRON_NUMBER_BEFORE_COMMA;
constexpr int kNumberBeforeHyphen = MSG_CRON_NUMBER_BEFORE_HYPHEN;

bool isBlankChar(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int qv_cronjob::parse(const std::string& line, bool& isJob) {
  isJob = false;
  std::string_view fields[5];
  size_t pos = 0;
  for (std::string_view& field : fields) {
    while (pos < line.size() && isBlankChar(line[pos])) ++pos;
    if (pos >= line.size()) return 0;  // fewer than five fields: not a job
    const size_t start = pos;
    while (pos < line.size() && !isBlankChar(line[pos])) ++pos;
    field = std::string_view(line).substr(start, pos - start);
  }
  // The command starts behind the blanks that follow the fifth field.
  while (pos < line.size() && isBlankChar(line[pos])) ++pos;
  if (pos >= line.size()) return 0;  // no command: not a job

  for (int which = 0; which < 5; ++which) {
    if (const int message = parseField(fields[which], which)) return message;
  }
  command_ = line.substr(pos);
  line_ = line;
  isJob = true;
  return 0;
}

int qv_cronjob::parseField(std::string_view field, int which) {
  const FieldRange range = kRanges[which];
  if (field == "*") {
    // Every hour and every month; the day fields stay empty.
    if (which == kMinutes) return kInvalidStar;
    for (int v = range.low; v <= range.high; ++v) {
      if (which == kHours) hours_.set(static_cast<size_t>(v));
      if (which == kMonths) months_.set(static_cast<size_t>(v));
    }
    return 0;
  }
  std::optional<int> current;
  std::optional<int> rangeStart;
  auto commit = [&]() -> int {
    const int low = rangeStart ? *rangeStart : *current;
    const int high = *current;
    current.reset();
    rangeStart.reset();
    if (low < range.low || low > range.high || high < range.low || high > range.high) return kOutOfRange;
    for (int v = low; v <= high; ++v) {  // a range whose start is above its end sets nothing
      const size_t bit = static_cast<size_t>(v);
      switch (which) {
        case kMinutes:
          minutes_.set(bit);
          break;
        case kHours:
          hours_.set(bit);
          break;
        case kDaysOfMonth:
          daysOfMonth_.set(bit);
          break;
        case kMonths:
          months_.set(bit);
          break;
        default:
          daysOfWeek_.set(bit);
          break;
      }
    }
    return 0;
  };
  for (char c : field) {
    if (c >= '0' && c <= '9') {
      const int digit = c - '0';
      current = std::min(current.value_or(0) * 10 + digit, 100000);  // far out of every range, no overflow
    } else if (c == ',') {
      if (!current) return kNumberBeforeComma;
      if (const int message = commit()) return message;
    } else if (c == '-') {
      // Also a second hyphen ("1-2-3"): a range needs a single number before it.
      if (!current || rangeStart) return kNumberBeforeHyphen;
      rangeStart = current;
      current.reset();
    } else if (c == '*') {
      return kInvalidStar;  // a star only stands alone
    } else {
      return kInvalidCharacter;
    }
  }
  if (current) return commit();
  if (rangeStart) return kNumberBeforeHyphen;  // "5-": a range without its end
  return 0;                                    // a trailing comma is harmless
}

void qv_cron::reset() { *this = qv_cron(); }

bool qv_cron::addJob(qv_cronjob job) {
  if (jobs_.size() >= kMaxJobs) return false;
  jobs_.push_back(std::move(job));
  return true;
}

std::vector<std::string> qv_cron::dumpLines() const {
  std::vector<std::string> lines;
  for (size_t i = 0; i < jobs_.size(); ++i) {
    lines.push_back("CronJob=" + std::to_string(i + 1) + " enabled=" + (enabled_ ? "1" : "0") +
                    " line=" + jobs_[i].getLine());
  }
  return lines;
}

void readCronSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_cron& out) {
  out.setSectionAvailable();
  qv_readSectionLines(in, false, [&](std::string_view text, bool commentOrBlank) {
    out.addRawLine(qv_splitRawLine(text));
    if (commentOrBlank) return;

    if (qv_startsWithNoCase(text, "CronEnable")) {
      const std::optional<int> value = qv_scan::intAfterFirstWord(text);
      out.setCronEnabled(value && *value == 1);
      return;
    }
    qv_cronjob job;
    bool isJob = false;
    if (const int message = job.parse(std::string(text), isJob)) {
      errors.setError(message, fileName, text);
      return;
    }
    if (!isJob) return;
    if (!out.addJob(std::move(job))) errors.setError(MSG_CRON_TOO_MANY_JOBS, fileName, qv_cron::kMaxJobs);
  });
}
