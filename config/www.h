#pragma once
// The WWW section of tarnel.dat: per database and kind (SEQ or REP) a web
// endpoint given by host, port and path.
#include <string>
#include <vector>

#include "config/config_lines.h"
#include "errors/qv_errors.h"

/// One WWW line: `<database>_<SEQ|REP> "<number>" "<host>" "<port>" "<path>"`.
struct qv_wwwentry {
  std::string databaseName;
  std::string kind;  ///< "SEQ" or "REP"
  int number = 0;
  std::string host;
  int port = 0;
  std::string path;
};

/// The WWW entries in file order.
class qv_www {
 public:
  void reset();
  bool isSectionAvailable() const { return present_; }
  void setSectionAvailable() { present_ = true; }

  int getNumberOfEntries() const { return static_cast<int>(entries_.size()); }
  /// Entry `index` (0-based); the index must be below getNumberOfEntries().
  const qv_wwwentry& getEntry(int index) const { return entries_.at(static_cast<size_t>(index)); }
  void addEntry(qv_wwwentry entry) { entries_.push_back(std::move(entry)); }

  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }
  void addRawLine(const qv_raw_line& line) { rawLines_.push_back(line); }

  /// One line per entry: `WWW=<database>_<kind> number=<n> host=<host> port=<n> path=<path>`.
  std::vector<std::string> dumpLines() const;

 private:
  bool present_ = false;
  std::vector<qv_wwwentry> entries_;
  std::vector<qv_raw_line> rawLines_;
};

/// Parses one WWW line into `entry`; false when it breaks the form.
[[nodiscard]] bool qv_parseWwwLine(std::string_view line, qv_wwwentry& entry);

/// Reads the WWW section up to a line beginning with `end` (case-sensitive).
/// Message 0x61E for a line that breaks the form; the line is dropped.
void readWwwSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_www& out);
