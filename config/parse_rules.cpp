#include "config/parse_rules.h"

void qv_parserule::define(std::string text) {
  defined_ = true;
  text_ = std::move(text);
}
bool qv_parserule::compile(qv_errors&) { return false; }
std::optional<std::string> qv_parserule::match(const std::string&) const { return std::nullopt; }
void qv_parserules::reset() { *this = qv_parserules(); }
const qv_parserule* qv_parserules::getRule(int index) const {
  return index >= 0 && index < kNumberOfRules ? &rules_[static_cast<size_t>(index)] : nullptr;
}
qv_parserule* qv_parserules::getRule(int index) {
  return index >= 0 && index < kNumberOfRules ? &rules_[static_cast<size_t>(index)] : nullptr;
}
bool qv_parserules::isRuleDefined(int number) const {
  const qv_parserule* rule = getRuleByNumber(number);
  return rule != nullptr && rule->isDefined();
}
std::vector<std::string> qv_parserules::dumpLines() const { return {}; }
void readParseSection(qv_config_lines&, const std::string&, qv_errors&, qv_parserules& out) {
  out.setSectionAvailable();
}
