#include "config/www.h"

void qv_www::reset() { *this = qv_www(); }
std::vector<std::string> qv_www::dumpLines() const { return {}; }
bool qv_parseWwwLine(std::string_view, qv_wwwentry&) { return false; }
void readWwwSection(qv_config_lines&, const std::string&, qv_errors&, qv_www& out) { out.setSectionAvailable(); }
