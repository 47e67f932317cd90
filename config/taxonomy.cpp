#include "config/taxonomy.h"

std::string qv_taxonomyrule::dumpLine() const { return {}; }
void qv_taxonomyrules::reset() { sets_ = {}; }
bool qv_taxonomyrules::isSectionAvailable() const { return getNumberOfRuleSets() > 0; }
const qv_taxonomyrule* qv_taxonomyrules::getRuleSet(int number) const {
  if (number < 0 || number >= kNumberOfSlots || !sets_[static_cast<size_t>(number)]) return nullptr;
  return &*sets_[static_cast<size_t>(number)];
}
int qv_taxonomyrules::getNumberOfRuleSets() const {
  int n = 0;
  for (const auto& s : sets_) n += s ? 1 : 0;
  return n;
}
void qv_taxonomyrules::setRuleSet(qv_taxonomyrule ruleSet) {
  if (ruleSet.number >= 0 && ruleSet.number < kNumberOfSlots) sets_[static_cast<size_t>(ruleSet.number)] = std::move(ruleSet);
}
std::vector<std::string> qv_taxonomyrules::dumpLines() const { return {}; }
void readTaxonomySection(qv_config_lines&, std::string_view, const std::string&, qv_errors&, qv_taxonomyrules&) {}
