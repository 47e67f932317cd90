#include "errors/engine_error.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "errors/engine_error_table.h"
#include "errors/engine_settings.h"
#include "errors/mailit.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "platform/qv_fileutil.h"
#include "platform/system_error.h"

namespace {

// Longest message that is reported; a longer one is dropped whole.
constexpr size_t kMaxMessageLength = 5000;
// Most messages kept in the retained list.
constexpr size_t kMaxRetained = 100;

std::vector<std::string>& retainedList() {
  static std::vector<std::string> list;
  return list;
}

std::string printed(const char* format, auto... values) {
  int n = std::snprintf(nullptr, 0, format, values...);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::snprintf(out.data(), out.size(), format, values...);
  out.resize(static_cast<size_t>(n));
  return out;
}

// The error log record: a header line and the escaped message, written in
// one piece while the file's first four bytes are locked, so that records
// of concurrent processes never interleave.
void writeErrorLog(const std::string& path, int32_t number, int32_t job, int32_t line, const std::string& stem,
                   const std::string& when, const std::string& message) {
  // The raw primitives: a failure here must not report into the reporter.
  qv_file log = qv_platform::openPath(path, "a+t");
  if (!log.isOpen()) return;
  std::string record = printed("Error [M%05d - Job %d - X%05d:%s] - %s\n", static_cast<int>(number),
                               static_cast<int>(job), static_cast<int>(line), stem.c_str(), when.c_str());
  record += "   - ";
  record += engineEscapeAngles(message);
  record += "\n\n";
  bool locked = qv_platform::lockRange(log.descriptor(), 0, 4) == 0;
  (void)log.write(record);
  if (locked) (void)qv_platform::unlockRange(log.descriptor(), 0, 4);
  log.close();
}

void appendLine(const std::string& path, const std::string& text) {
  qv_file f = qv_platform::openPath(path, "a");
  if (f.isOpen()) (void)f.write(text);
}

void writeStandardOutput(const qv_engine_category& cat, int32_t number, const std::string& message) {
  std::string html;
  if (cat.prefix != nullptr) html += printed("%s<BR>\n", cat.prefix);
  if (cat.flags & QV_CAT_NO_NUMBER) {
    html += message + "<BR>\n";
  } else {
    html += message + printed(" [M%05d]<BR>\n", static_cast<int>(number));
  }
  if (cat.suffix != nullptr) html += printed("%s<BR>\n", cat.suffix);
  // Keep the order with whatever the program has buffered on its streams.
  std::cout.flush();
  std::fflush(stdout);
  (void)qv_platform::writeStdout(html);
}

}  // namespace

std::string engineSourceStem(std::string_view sourceFile) {
  size_t cut = sourceFile.rfind('\\');
  if (cut == std::string_view::npos) cut = sourceFile.rfind('/');
  std::string_view stem = cut == std::string_view::npos ? sourceFile : sourceFile.substr(cut + 1);
  size_t dot = stem.find('.');
  if (dot != std::string_view::npos) stem = stem.substr(0, dot);
  return std::string(stem);
}

std::string engineEscapeAngles(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '<') {
      out += "&lt;";
    } else if (c == '>') {
      out += "&gt;";
    } else {
      out += c;
    }
  }
  return out;
}

const std::vector<std::string>& getRetainedMessages() { return retainedList(); }

void reportErrorArgs(int32_t number, int32_t job, int32_t line, std::string_view sourceFile,
                     std::span<const qv_format::Arg> args) {
  // 1-2. The message; only rows of the table are ever read.
  const bool known = number >= 0 && number < QV_ENGINE_ERROR_COUNT;
  const qv_engine_error_row* row = known ? &qv_engine_error_table[number] : nullptr;
  std::string message;
  if (known) {
    message = qv_format::formatMessage(row->format, args, kMaxMessageLength + 1);
    if (message.size() > kMaxMessageLength) return;
  } else {
    message = "Unknown error number";
  }
  int categoryIndex = known ? row->category : QV_ENGINE_UNKNOWN_NUMBER_CATEGORY;
  if (categoryIndex < 0 || categoryIndex >= QV_ENGINE_CATEGORY_COUNT) categoryIndex = QV_ENGINE_UNKNOWN_NUMBER_CATEGORY;
  const qv_engine_category& cat = qv_engine_categories[categoryIndex];

  // 3. Time and source label.
  const std::string when = qv_platform::calendarTimeText(qv_platform::currentTime());
  const std::string stem = engineSourceStem(sourceFile);
  const qv_engine_settings& settings = getEngineSettings();

  if (!(cat.flags & QV_CAT_NO_ERRORLOG)) writeErrorLog(settings.errorLogFile, number, job, line, stem, when, message);
  if (!(cat.flags & QV_CAT_NO_STDOUT)) writeStandardOutput(cat, number, message);
  if (cat.flags & QV_CAT_MAIL) {
    std::string body = printed("Error [M0%4d - Job %d - X%4d:%s] - %s\n", static_cast<int>(number),
                               static_cast<int>(job), static_cast<int>(line), stem.c_str(), when.c_str());
    body += message + "\n\n";
    mailit(settings.mail).sendAdministratorMail(body);
  }
  if ((cat.flags & QV_CAT_RETAIN) && retainedList().size() < kMaxRetained) retainedList().push_back(message);
  if (cat.flags & QV_CAT_MONITOR_LOG) {
    appendLine(settings.monitorLogFile, when + " - " + engineEscapeAngles(message) + "\n");
  }
  if (cat.flags & QV_CAT_IPC_LOG) {
    appendLine(settings.ipcLogFile, printed("%s Job %5d  %s %d - ", when.c_str(), static_cast<int>(job), stem.c_str(),
                                            static_cast<int>(line)) +
                                        message + "\n");
  }
  if (cat.flags & QV_CAT_FATAL) {
    std::cout.flush();
    std::fflush(nullptr);
    std::exit(number >= 0 && number < 256 ? number : 255);
  }
}

void reportSystemErrorCode(int32_t number, int32_t line, std::string_view sourceFile, std::string_view argument,
                           int systemCode) {
  std::string text = qv_platform::systemErrorText(systemCode);
  // A carriage return before a line feed becomes a space.
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '\r' && text[i + 1] == '\n') text[i] = ' ';
  }
  reportError(number, -1, line, sourceFile, argument, text);
}

void reportSystemError(int32_t number, int32_t line, std::string_view sourceFile, std::string_view argument) {
  reportSystemErrorCode(number, line, sourceFile, argument, qv_platform::lastErrorCode());
}
