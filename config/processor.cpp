#include "config/processor.h"

void qv_processor::reset() { *this = qv_processor(); }
std::vector<std::string> qv_processor::dumpLines() const { return {}; }
void readProcessorSection(qv_config_lines&, const std::string&, qv_errors&, const qv_databases&, qv_processor& out) {
  out.setSectionAvailable();
}
