#pragma once
// The CRON section of tarnel.dat: timed jobs for the server's scheduler in
// the five-field time notation (minutes, hours, days of the month, months,
// days of the week) followed by a command line.
#include <bitset>
#include <string>
#include <vector>

#include "config/config_lines.h"
#include "errors/qv_errors.h"

/// One timed job. An empty day-of-month or day-of-week set is what a `*`
/// gives for those fields; the scheduler decides what it means.
class qv_cronjob {
 public:
  bool isMinuteSet(int m) const { return m >= 0 && m < 60 && minutes_.test(static_cast<size_t>(m)); }
  bool isHourSet(int h) const { return h >= 0 && h < 24 && hours_.test(static_cast<size_t>(h)); }
  bool isDayOfMonthSet(int d) const { return d >= 1 && d <= 31 && daysOfMonth_.test(static_cast<size_t>(d)); }
  bool isMonthSet(int m) const { return m >= 1 && m <= 12 && months_.test(static_cast<size_t>(m)); }
  bool isDayOfWeekSet(int d) const { return d >= 0 && d < 7 && daysOfWeek_.test(static_cast<size_t>(d)); }
  const std::string& getCommand() const { return command_; }
  /// The whole line as read.
  const std::string& getLine() const { return line_; }

  /// Parses a job line; the reader reports the returned message number
  /// (0x614..0x618) when it is not 0.
  [[nodiscard]] int parse(const std::string& line, bool& isJob);

 private:
  [[nodiscard]] int parseField(std::string_view field, int which);

  std::bitset<60> minutes_;
  std::bitset<24> hours_;
  std::bitset<32> daysOfMonth_;  // 1..31
  std::bitset<13> months_;       // 1..12
  std::bitset<7> daysOfWeek_;
  std::string command_;
  std::string line_;
};

/// The CRON settings: the enable flag and at most 256 jobs in file order.
class qv_cron {
 public:
  static constexpr int kMaxJobs = 256;

  void reset();
  bool isSectionAvailable() const { return present_; }
  void setSectionAvailable() { present_ = true; }
  bool isCronEnabled() const { return enabled_; }
  void setCronEnabled(bool enabled) { enabled_ = enabled; }

  int getNumberOfJobs() const { return static_cast<int>(jobs_.size()); }
  /// Job `index` (0-based); the index must be below getNumberOfJobs().
  const qv_cronjob& getJob(int index) const { return jobs_.at(static_cast<size_t>(index)); }
  /// Appends a job; false (nothing changes) when the list is full.
  bool addJob(qv_cronjob job);

  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }
  void addRawLine(const qv_raw_line& line) { rawLines_.push_back(line); }

  /// One line per job: `CronJob=<n> enabled=<0|1> line=<the job line>`
  /// (n counts from 1; enabled is the section's CronEnable).
  std::vector<std::string> dumpLines() const;

 private:
  bool present_ = false;
  bool enabled_ = false;
  std::vector<qv_cronjob> jobs_;
  std::vector<qv_raw_line> rawLines_;
};

/// Reads the CRON section up to a line beginning with `end` (any case).
/// Messages 0x609 and 0x614..0x618; a bad line is dropped.
void readCronSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_cron& out);
