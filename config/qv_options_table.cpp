// The keys of the Options section with their value kinds and rules.
#include "config/qv_options.h"

std::vector<std::string_view> qv_options::keys() { return {}; }
std::string qv_options::valueText(std::string_view) const { return {}; }
void qv_options::applyLine(std::string_view, const std::string&, qv_errors&) {}
