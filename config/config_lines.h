#pragma once
// The line grammar shared by the configuration file reader and its section
// readers: a line source over the file's text with the two line-length limits,
// and the small helpers every section uses (stripping, comments, end lines,
// raw key/separator/value splitting).
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

/// Lines of a configuration text. A line longer than the limit ends the
/// reading of the whole text: its first `limit` characters are still handed
/// out as a line, and nothing behind it is read.
class qv_config_lines {
 public:
  static constexpr size_t kTopLevelLimit = 998;  ///< characters before the line feed, top level
  static constexpr size_t kSectionLimit = 999;   ///< characters before the line feed, in sections

  explicit qv_config_lines(std::string text) : text_(std::move(text)) {}

  /// Puts the next line, without its line feed, into `line`. Returns false at
  /// the end of the text or once an over-long line has been handed out.
  bool next(std::string& line, size_t limit = kSectionLimit);
  /// True once an over-long line has ended the reading.
  bool stopped() const { return stopped_; }
  /// True when no further line can be read.
  bool atEnd() const { return stopped_ || pos_ >= text_.size(); }

 private:
  std::string text_;
  size_t pos_ = 0;
  bool stopped_ = false;
};

/// `line` without trailing spaces, tabs, carriage returns and line feeds.
std::string_view qv_stripTrailing(std::string_view line);
/// `line` without leading spaces and tabs.
std::string_view qv_stripLeading(std::string_view line);
/// True for a comment line (first character '#') or a blank line (nothing but
/// spaces, tabs, CR, LF and the end-of-file character 0x1A).
bool qv_isCommentOrBlank(std::string_view line);
/// True when `line` begins with `prefix`, compared without regard to ASCII case.
bool qv_startsWithNoCase(std::string_view line, std::string_view prefix);
/// True when `line` begins with "end" (case-sensitively or not).
bool qv_isSectionEnd(std::string_view line, bool caseSensitive);

/// Reads the lines of one section up to its end line (one that begins with
/// "end", compared without regard to ASCII case unless `endCaseSensitive`)
/// or the end of the text; the end line itself is consumed. Every line before
/// it is handed to `onLine` without its trailing blanks, with whether it is a
/// comment or blank line. This is the one section-reading loop of the readers.
void qv_readSectionLines(qv_config_lines& in, bool endCaseSensitive,
                         const std::function<void(std::string_view text, bool commentOrBlank)>& onLine);

/// A raw section line as kept with a section object.
struct qv_raw_line {
  std::string key;        ///< up to the first space, tab or colon
  std::string separator;  ///< the run of spaces, tabs and colons behind the key
  std::string value;      ///< the rest, without the line end
  bool isComment = false; ///< a '#' line, kept whole in `value`
  bool isEmpty = false;   ///< an empty line
};

/// Splits a section line (leading blanks skipped) into key, separator and value.
qv_raw_line qv_splitRawLine(std::string_view line);
