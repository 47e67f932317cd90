#include "config/databases.h"

void qv_databases::reset() { *this = qv_databases(); }
int qv_databases::findDatabase(std::string_view) const { return -1; }
bool qv_databases::addDatabase(qv_database entry) {
  if (entries_.size() >= kMaxDatabases) return false;
  entries_.push_back(std::move(entry));
  return true;
}
std::vector<std::string> qv_databases::dumpLines() const { return {}; }
int qv_parseDatabaseLine(std::string_view, qv_database&) { return 0; }
void readDatabasesSection(qv_config_lines&, const std::string&, qv_errors&, qv_databases& out) {
  out.setSectionAvailable();
}
void checkDatabaseRules(const qv_databases&, qv_parserules&, const std::string&, qv_errors&) {}
