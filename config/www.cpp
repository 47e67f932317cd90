#include "config/www.h"

#include "config/config_messages.h"
#include "config/config_scan.h"

namespace {

// A whole value as a decimal integer, blanks around it allowed.
std::optional<int> wholeInt(std::string_view text) {
  qv_scan::LineScanner scan(text);
  int value = 0;
  if (!scan.integer(value)) return std::nullopt;
  for (char c : scan.rest()) {
    if (!qv_scan::isSpace(c)) return std::nullopt;
  }
  return value;
}

}  // namespace

void qv_www::reset() { *this = qv_www(); }

std::vector<std::string> qv_www::dumpLines() const {
  std::vector<std::string> lines;
  for (const qv_wwwentry& e : entries_) {
    lines.push_back("WWW=" + e.databaseName + "_" + e.kind + " number=" + std::to_string(e.number) + " host=" + e.host +
                    " port=" + std::to_string(e.port) + " path=" + e.path);
  }
  return lines;
}

bool qv_parseWwwLine(std::string_view line, qv_wwwentry& entry) {
  const size_t wordEnd = line.find_first_of(" \t");
  if (wordEnd == std::string_view::npos) return false;
  const std::string_view word = line.substr(0, wordEnd);
  const size_t underscore = word.rfind('_');
  if (underscore == std::string_view::npos || underscore == 0) return false;
  const std::string_view kind = word.substr(underscore + 1);
  if (kind.substr(0, 3) != "SEQ" && kind.substr(0, 3) != "REP") return false;

  // Four quoted values: number, host, port, path. The first quote must follow
  // the blanks behind the first word.
  std::string_view values[4];
  size_t pos = line.find_first_not_of(" \t", wordEnd);
  if (pos == std::string_view::npos || line[pos] != '"') return false;
  for (std::string_view& value : values) {
    const size_t open = line.find('"', pos);
    if (open == std::string_view::npos) return false;
    const size_t close = line.find('"', open + 1);
    if (close == std::string_view::npos) return false;
    value = line.substr(open + 1, close - open - 1);
    pos = close + 1;
  }
  const std::optional<int> number = wholeInt(values[0]);
  const std::optional<int> port = wholeInt(values[2]);
  // A port outside the TCP range is as unusable as one that cannot be read.
  if (!number || !port || *port < 0 || *port > 65535) return false;

  entry.databaseName = word.substr(0, underscore);
  entry.kind = kind.substr(0, 3);
  entry.number = *number;
  entry.host = values[1];
  entry.port = *port;
  entry.path = values[3];
  return true;
}

void readWwwSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_www& out) {
  out.setSectionAvailable();
  qv_readSectionLines(in, true, [&](std::string_view text, bool commentOrBlank) {
    out.addRawLine(qv_splitRawLine(text));
    if (commentOrBlank) return;
    qv_wwwentry entry;
    if (!qv_parseWwwLine(text, entry)) {
      errors.setError(MSG_WWW_BAD_ENTRY, fileName, text);
      return;
    }
    out.addEntry(std::move(entry));
  });
}
