#pragma once
// An error list: numbered messages with levels and repeat counts that an
// object of the upper layers collects while it goes on with defaults. Its
// owner's validity is "no level-1 entry". Optionally every message is also
// appended as a comma-separated line to a log file (the security log).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "errors/qv_format.h"

/// Message levels of the library message table.
enum qv_error_level : int {
  QV_LEVEL_ERROR = 1,  ///< makes the owner invalid
  QV_LEVEL_WARNING = 2,
  QV_LEVEL_AUDIT = 3,
  QV_LEVEL_NOTICE = 4,
  QV_LEVEL_TRACE = 6,
};

/// One row of the library message table.
struct qv_message_row {
  int level;
  int number;
  const char* format;
};

/// The library message table, ended by a row whose number is -1.
extern const qv_message_row qv_message_table[];

/// The row with this number, or nullptr.
const qv_message_row* qv_findMessage(int number);

class qv_errors {
 public:
  qv_errors() = default;
  virtual ~qv_errors() = default;
  qv_errors(const qv_errors&) = default;
  qv_errors& operator=(const qv_errors&) = default;

  /// Adds the library message `number` formatted with `args` (session name
  /// empty, user id -1). Ignored when the number is not in the table or its
  /// level is above the log level.
  template <typename... A>
  void setError(int number, const A&... args) {
    setErrorArgs(number, {}, -1, {qv_format::Arg(args)...});
  }

  /// Like setError, recording a session name and user id for the log line.
  template <typename... A>
  void setErrorForSession(std::string_view sessionName, int32_t userId, int number, const A&... args) {
    setErrorArgs(number, sessionName, userId, {qv_format::Arg(args)...});
  }

  /// Like setError with the system's text for the last error appended:
  /// "<message>. OS returned the following error: <system text>". No level filter.
  template <typename... A>
  void setSystemError(int number, const A&... args) {
    setSystemErrorArgs(number, {qv_format::Arg(args)...});
  }

  /// The core operation: folds a third report of the same number into the
  /// repeat count of the last entry, else appends; then logs when enabled.
  void addError(int number, std::string_view text, int level, std::string_view sessionName = {}, int32_t userId = -1);
  /// Whether a report of `number` would only count as a repeat of the last one.
  bool foldsIntoLast(int number) const;

  /// Sets the log file (empty: no logging) and the log level.
  void setLogging(std::string_view fileName, int level);
  const std::string& getLogFileName() const { return logFileName_; }
  int getLogLevel() const { return logLevel_; }

  int getNumberOfErrors() const { return static_cast<int>(numbers_.size()); }
  /// Number of the last entry, 0 when there is none.
  int getLastError() const;
  /// Number of entry n (1-based), 0 when out of range.
  int getErrorNumber(int n) const;
  /// Level of entry n (1-based), 0 when out of range.
  int getErrorLevel(int n) const;
  /// Text of entry n (1-based; -1 means the last) with its repeat suffix;
  /// empty when n is out of range.
  std::string getErrorString(int n) const;
  std::string getLastErrorString() const { return getErrorString(-1); }
  /// Repeat count of entry n (1-based), 0 when out of range.
  int getErrorRepeats(int n) const;
  /// True when no entry has level 1.
  bool isValid() const;

  /// Appends every entry of `other` in order, without folding or logging.
  void copyFrom(const qv_errors& other);
  /// Makes every report behind `other` again here, in order, each folded
  /// one as often as it was repeated: the list ends as it would had those
  /// reports been made here, and they are logged when logging is on.
  void addErrorsFrom(const qv_errors& other);
  /// Empties the list; the log settings stay.
  void clearAllErrors();

 private:
  void setErrorArgs(int number, std::string_view sessionName, int32_t userId,
                    std::initializer_list<qv_format::Arg> args);
  void setSystemErrorArgs(int number, std::initializer_list<qv_format::Arg> args);
  void logLine(int number, std::string_view text, int level, std::string_view sessionName, int32_t userId) const;

  std::vector<int32_t> numbers_;
  std::vector<std::string> texts_;
  std::vector<int32_t> levels_;
  std::vector<int32_t> repeats_;
  std::string logFileName_;
  int32_t logLevel_ = 2;
};

/// Builds one line of the security log (without the header), ending in a
/// newline. A double quote inside a quoted field is doubled and CR or LF
/// becomes a space, so no message can forge or break a line.
std::string qv_securityLogLine(std::string_view timeText, std::string_view address, int number, int level,
                               std::string_view sessionName, int32_t userId, std::string_view text);

/// The header line of a new security log, with its newline.
inline constexpr std::string_view kSecurityLogHeader =
    "Date, IP_address, Error_number, Severity, session_name, user_id, message\n";
