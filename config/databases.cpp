#include "config/databases.h"

#include "config/config_messages.h"
#include "config/config_scan.h"

namespace {

// A line with nothing but white space (and the end-of-file character) on it.
bool isBlank(std::string_view text) { return qv_isCommentOrBlank(text) && (text.empty() || text[0] != '#'); }

void appendComment(std::string& pending, std::string_view text) {
  if (!pending.empty()) pending += '\n';
  pending += text;
}

void checkRule(const qv_database& entry, int number, const char* what, qv_parserules& rules,
               const std::string& fileName, qv_errors& errors) {
  qv_parserule* rule = rules.getRuleByNumber(number);
  if (rule == nullptr || !rule->isDefined()) {
    errors.setError(MSG_DATABASE_NO_RULE, fileName, entry.name, what);
    return;
  }
  (void)rule->compile(errors);  // a broken rule is reported once and the database kept
}

}  // namespace

void qv_databases::reset() { *this = qv_databases(); }

int qv_databases::findDatabase(std::string_view name) const {
  if (name.empty()) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].active && entries_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

bool qv_databases::addDatabase(qv_database entry) {
  if (entries_.size() >= kMaxDatabases) return false;
  entries_.push_back(std::move(entry));
  return true;
}

std::vector<std::string> qv_databases::dumpLines() const {
  std::vector<std::string> lines;
  for (const qv_database& db : entries_) {
    lines.push_back("Database=" + db.name + " active=" + (db.active ? "1" : "0") + " path=" + db.path +
                    " type=" + (db.nucleic ? "NA" : "AA") + " threads=" + std::to_string(db.threadCount) +
                    " accessionRule=" + std::to_string(db.accessionRule) +
                    " descriptionRule=" + std::to_string(db.descriptionRule) + " accessionRefRule=" +
                    (db.usesAccessionRefRule ? std::to_string(db.accessionRefRule) : std::string("none")));
  }
  return lines;
}

int qv_parseDatabaseLine(std::string_view text, qv_database& entry) {
  qv_scan::LineScanner scan(text);
  std::string type;
  int items = 0;
  if (!scan.word(entry.name, 19)) return items;
  ++items;
  if (!scan.word(entry.path, 255)) return items;
  ++items;
  if (!scan.word(type, 2)) return items;
  ++items;
  int fields[11] = {};  // fields 4 to 14
  for (int& field : fields) {
    if (!scan.integer(field)) break;
    ++items;
  }
  if (items < 13) return items;

  entry.nucleic = !(type[0] == 'A' || type[0] == 'a');
  entry.flag6 = fields[2] == 1;
  entry.field7Zero = fields[3] == 0;
  entry.threadCount = fields[4];
  entry.flag9 = fields[5] == 1;
  entry.usesAccessionRefRule = fields[6] == 1;
  entry.accessionRule = fields[7];
  entry.descriptionRule = fields[8];
  entry.accessionRefRule = fields[9];
  entry.field14 = items == 14 ? fields[10] : -1;
  if (entry.field7Zero) {
    entry.usesAccessionRefRule = false;
    entry.field14 = -1;
  }
  return items;
}

void readDatabasesSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_databases& out) {
  out.setSectionAvailable();
  std::string pending;
  qv_readSectionLines(in, true, [&](std::string_view text, bool) {
    if (isBlank(text)) {
      if (!pending.empty()) pending += '\n';
      return;
    }
    qv_database entry;
    if (text[0] == '#') {
      const std::string_view behind = text.substr(1);
      if ((!behind.empty() && behind[0] == '#') || isBlank(behind) || qv_parseDatabaseLine(behind, entry) < 13) {
        appendComment(pending, text);
        return;
      }
      entry.active = false;
      entry.line = behind;
    } else {
      if (qv_parseDatabaseLine(text, entry) < 13) {
        errors.setError(MSG_DATABASE_TOO_FEW_FIELDS, fileName, entry.name);
        return;
      }
      entry.active = true;
      entry.line = text;
    }
    if (out.getNumberOfDatabases() >= qv_databases::kMaxDatabases) return;  // dropped in silence
    entry.comment = std::move(pending);
    pending.clear();
    (void)out.addDatabase(std::move(entry));
  });
  out.setClosingComment(std::move(pending));
}

void checkDatabaseRules(const qv_databases& databases, qv_parserules& rules, const std::string& fileName,
                        qv_errors& errors) {
  // Every active entry is checked, also those behind an inactive one: this
  // is the only place where the rules the databases name get compiled.
  for (int i = 0; i < databases.getNumberOfDatabases(); ++i) {
    const qv_database& entry = databases.getDatabase(i);
    if (!entry.active) continue;
    checkRule(entry, entry.accessionRule, "accession", rules, fileName, errors);
    checkRule(entry, entry.descriptionRule, "description", rules, fileName, errors);
    if (entry.usesAccessionRefRule) checkRule(entry, entry.accessionRefRule, "accessionRef", rules, fileName, errors);
  }
}
