#pragma once
// The Databases section of tarnel.dat: the sequence databases the server can
// search, one line each, and the check that their parse rules exist.
#include <string>
#include <string_view>
#include <vector>

#include "config/config_lines.h"
#include "config/parse_rules.h"
#include "errors/qv_errors.h"

/// One database line. A line behind a '#' that still reads as a database line
/// is kept as an inactive entry.
struct qv_database {
  bool active = false;
  std::string name;  ///< at most 19 characters
  std::string path;  ///< at most 255 characters
  bool nucleic = false;
  bool flag6 = true;
  int threadCount = 1;
  bool flag9 = false;
  bool usesAccessionRefRule = false;
  int accessionRule = 0;     ///< parse-rule number
  int descriptionRule = 0;   ///< parse-rule number
  int accessionRefRule = 0;  ///< parse-rule number
  int field14 = 0;
  bool field7Zero = false;
  std::string line;     ///< the line as read, without a leading '#'
  std::string comment;  ///< comment and blank lines in front of the entry
};

/// The database list (at most 64 entries, in file order).
class qv_databases {
 public:
  static constexpr int kMaxDatabases = 64;

  /// Back to defaults: no entries, section absent.
  void reset();
  bool isSectionAvailable() const { return present_; }
  void setSectionAvailable() { present_ = true; }

  int getNumberOfDatabases() const { return static_cast<int>(entries_.size()); }
  /// Entry `index` (0-based); the index must be below getNumberOfDatabases().
  const qv_database& getDatabase(int index) const { return entries_.at(static_cast<size_t>(index)); }
  /// Index of the first active entry named exactly `name`; -1 when none or
  /// when `name` is empty.
  int findDatabase(std::string_view name) const;
  /// Comment text left pending at the section's `end`.
  const std::string& getClosingComment() const { return closingComment_; }

  /// Appends an entry; false (and nothing changes) when the list is full.
  bool addDatabase(qv_database entry);
  void setClosingComment(std::string text) { closingComment_ = std::move(text); }

  /// One line per entry: `Database=<name> active=<0|1> path=<path> type=<AA|NA>
  /// threads=<n> accessionRule=<n> descriptionRule=<n> accessionRefRule=<n|none>`.
  std::vector<std::string> dumpLines() const;

 private:
  bool present_ = false;
  std::vector<qv_database> entries_;
  std::string closingComment_;
};

/// Parses `text` as a database line ("%19s %255s %2s" and eleven integers).
/// Returns the number of items read (13 or 14 make a database line); `entry`
/// holds what was read.
int qv_parseDatabaseLine(std::string_view text, qv_database& entry);

/// Reads the Databases section up to a line beginning with `end`
/// (case-sensitive) or the end of the text. Sets the presence flag; message
/// 0x605 for an active line with too few fields.
void readDatabasesSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_databases& out);

/// The check after the whole file has been read: every active database must
/// name a defined accession and description rule, and an accession-reference
/// rule when it uses one (message 0x602 otherwise). Every active entry is
/// checked, also those behind an inactive one. The rules named are compiled
/// (messages 0x603, 0x604 once per rule).
void checkDatabaseRules(const qv_databases& databases, qv_parserules& rules, const std::string& fileName,
                        qv_errors& errors);
