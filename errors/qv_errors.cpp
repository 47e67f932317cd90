#include "errors/qv_errors.h"

#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/system_error.h"

const qv_message_row* qv_findMessage(int number) {
  for (const qv_message_row* row = qv_message_table; row->number != -1; ++row) {
    if (row->number == number) return row;
  }
  return nullptr;
}

bool qv_errors::foldsIntoLast(int number) const {
  const size_t n = numbers_.size();
  return n >= 2 && numbers_[n - 1] == number && numbers_[n - 2] == number;
}

void qv_errors::addError(int number, std::string_view text, int level, std::string_view sessionName, int32_t userId) {
  if (foldsIntoLast(number)) {
    ++repeats_.back();
  } else {
    numbers_.push_back(number);
    texts_.emplace_back(text);
    levels_.push_back(level);
    repeats_.push_back(0);
  }
  if (!logFileName_.empty() && level <= logLevel_) logLine(number, text, level, sessionName, userId);
}

void qv_errors::setErrorArgs(int number, std::string_view sessionName, int32_t userId,
                             std::initializer_list<qv_format::Arg> args) {
  const qv_message_row* row = qv_findMessage(number);
  if (row == nullptr || row->level > logLevel_) return;
  // A report that folds into the two before it keeps no text: unless a log
  // wants the line, it is counted without formatting its message (a walk
  // over a large search can record the same error hundreds of thousands
  // of times in a row).
  if (logFileName_.empty() && foldsIntoLast(number)) {
    ++repeats_.back();
    return;
  }
  addError(number, qv_format::formatMessage(row->format, args), row->level, sessionName, userId);
}

void qv_errors::setSystemErrorArgs(int number, std::initializer_list<qv_format::Arg> args) {
  const qv_message_row* row = qv_findMessage(number);
  if (row == nullptr) return;
  const int code = qv_platform::lastErrorCode();
  std::string sys = qv_platform::systemErrorText(code);
  for (size_t p; (p = sys.find("\r\n")) != std::string::npos;) sys.replace(p, 2, " ");
  std::string message = qv_format::formatMessage(row->format, args);
  std::string text = qv_format::formatMessage("%s. OS returned the following error: %s", {message, sys});
  addError(number, text, row->level, {}, -1);
}

void qv_errors::setLogging(std::string_view fileName, int level) {
  logFileName_ = fileName;
  logLevel_ = level;
}

int qv_errors::getLastError() const { return numbers_.empty() ? 0 : numbers_.back(); }

int qv_errors::getErrorNumber(int n) const {
  return n >= 1 && n <= getNumberOfErrors() ? numbers_[static_cast<size_t>(n - 1)] : 0;
}

int qv_errors::getErrorLevel(int n) const {
  return n >= 1 && n <= getNumberOfErrors() ? levels_[static_cast<size_t>(n - 1)] : 0;
}

int qv_errors::getErrorRepeats(int n) const {
  return n >= 1 && n <= getNumberOfErrors() ? repeats_[static_cast<size_t>(n - 1)] : 0;
}

std::string qv_errors::getErrorString(int n) const {
  if (n == -1) n = getNumberOfErrors();
  if (n < 1 || n > getNumberOfErrors()) return {};
  const size_t i = static_cast<size_t>(n - 1);
  std::string text = texts_[i];
  if (repeats_[i] > 0) text += qv_format::formatMessage(" (Error repeated %d times)", {repeats_[i] + 1});
  return text;
}

bool qv_errors::isValid() const {
  for (int32_t level : levels_) {
    if (level == QV_LEVEL_ERROR) return false;
  }
  return true;
}

void qv_errors::copyFrom(const qv_errors& other) {
  numbers_.insert(numbers_.end(), other.numbers_.begin(), other.numbers_.end());
  texts_.insert(texts_.end(), other.texts_.begin(), other.texts_.end());
  levels_.insert(levels_.end(), other.levels_.begin(), other.levels_.end());
  repeats_.insert(repeats_.end(), other.repeats_.begin(), other.repeats_.end());
}

void qv_errors::addErrorsFrom(const qv_errors& other) {
  // A report folded there had two reports of its number just before it;
  // here it has the same two, so it folds again and its text is not needed.
  for (size_t i = 0; i < other.numbers_.size(); ++i) {
    for (int32_t r = 0; r <= other.repeats_[i]; ++r) addError(other.numbers_[i], other.texts_[i], other.levels_[i]);
  }
}

void qv_errors::clearAllErrors() {
  numbers_.clear();
  texts_.clear();
  levels_.clear();
  repeats_.clear();
}

namespace {

void appendQuoted(std::string& out, std::string_view field) {
  out += '"';
  for (char c : field) {
    if (c == '"')
      out += "\"\"";
    else if (c == '\r' || c == '\n')
      out += ' ';
    else
      out += c;
  }
  out += '"';
}

}  // namespace

std::string qv_securityLogLine(std::string_view timeText, std::string_view address, int number, int level,
                               std::string_view sessionName, int32_t userId, std::string_view text) {
  std::string line;
  line.reserve(text.size() + 96);
  appendQuoted(line, timeText);
  line += ',';
  appendQuoted(line, address);
  line += ',' + std::to_string(number) + ',' + std::to_string(level) + ',';
  appendQuoted(line, sessionName);
  line += ',' + std::to_string(userId) + ',';
  appendQuoted(line, text);
  line += '\n';
  return line;
}

void qv_errors::logLine(int number, std::string_view text, int level, std::string_view sessionName,
                        int32_t userId) const {
  const std::string address = qv_platform::getEnv("REMOTE_ADDR").value_or("localhost");
  const std::string line = qv_securityLogLine(qv_platform::calendarTimeText(qv_platform::currentTime()), address,
                                              number, level, sessionName, userId, text);
  // A log that cannot be written is skipped; the entry is still stored.
  (void)qv_platform::appendToFile(logFileName_, line, kSecurityLogHeader);
}
