#include "config/config_lines.h"

#include "platform/ascii.h"

bool qv_config_lines::next(std::string& line, size_t limit) {
  if (atEnd()) return false;
  const size_t lf = text_.find('\n', pos_);
  const size_t end = lf == std::string::npos ? text_.size() : lf;
  if (end - pos_ > limit) {
    line.assign(text_, pos_, limit);
    stopped_ = true;
    return true;
  }
  line.assign(text_, pos_, end - pos_);
  pos_ = lf == std::string::npos ? text_.size() : lf + 1;
  return true;
}

std::string_view qv_stripTrailing(std::string_view line) {
  size_t n = line.size();
  while (n > 0 && (line[n - 1] == ' ' || line[n - 1] == '\t' || line[n - 1] == '\r' || line[n - 1] == '\n')) --n;
  return line.substr(0, n);
}

std::string_view qv_stripLeading(std::string_view line) {
  size_t i = 0;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  return line.substr(i);
}

bool qv_isCommentOrBlank(std::string_view line) {
  if (!line.empty() && line[0] == '#') return true;
  for (char c : line) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\x1a') return false;
  }
  return true;
}

bool qv_startsWithNoCase(std::string_view line, std::string_view prefix) {
  return qv_platform::startsWithIgnoringAsciiCase(line, prefix);
}

bool qv_isSectionEnd(std::string_view line, bool caseSensitive) {
  return caseSensitive ? line.substr(0, 3) == "end" : qv_startsWithNoCase(line, "end");
}

void qv_readSectionLines(qv_config_lines& in, bool endCaseSensitive,
                         const std::function<void(std::string_view text, bool commentOrBlank)>& onLine) {
  std::string line;
  while (in.next(line, qv_config_lines::kSectionLimit)) {
    if (qv_isSectionEnd(line, endCaseSensitive)) return;
    const std::string_view text = qv_stripTrailing(line);
    onLine(text, qv_isCommentOrBlank(text));
  }
}

qv_raw_line qv_splitRawLine(std::string_view line) {
  qv_raw_line raw;
  line = qv_stripLeading(line);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.empty()) {
    raw.isEmpty = true;
    return raw;
  }
  if (line[0] == '#') {
    raw.isComment = true;
    raw.value = line;
    return raw;
  }
  size_t k = 0;
  while (k < line.size() && line[k] != ' ' && line[k] != '\t' && line[k] != ':') ++k;
  size_t s = k;
  while (s < line.size() && (line[s] == ' ' || line[s] == '\t' || line[s] == ':')) ++s;
  raw.key = line.substr(0, k);
  raw.separator = line.substr(k, s - k);
  raw.value = line.substr(s);
  return raw;
}
