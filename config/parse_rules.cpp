#include "config/parse_rules.h"

#include "config/config_messages.h"
#include "config/config_scan.h"

void qv_parserule::define(std::string text) {
  defined_ = true;
  attempted_ = false;
  compiled_.reset();
  text_ = std::move(text);
}

bool qv_parserule::compile(qv_errors& errors) {
  // A rule is tried once: a second database naming a broken rule does not
  // repeat its message.
  if (!defined_ || attempted_) return isCompiled();
  attempted_ = true;
  std::string errorText;
  std::unique_ptr<qv_platform::qv_regex> regex = qv_platform::qv_regex::compile(text_, errorText);
  if (regex == nullptr) {
    errors.setError(MSG_PARSE_RULE_COMPILE, text_, errorText);
    return false;
  }
  if (regex->subExpressionCount() != 1) {
    errors.setError(MSG_PARSE_RULE_SUBEXPRESSIONS, static_cast<int>(regex->subExpressionCount()), text_);
    return false;
  }
  compiled_ = std::move(regex);
  return true;
}

std::optional<std::string> qv_parserule::match(const std::string& text) const {
  if (compiled_ == nullptr) return std::nullopt;
  return compiled_->match(text);
}

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

std::vector<std::string> qv_parserules::dumpLines() const {
  std::vector<std::string> lines;
  for (int i = 0; i < kNumberOfRules; ++i) {
    const qv_parserule& rule = rules_[static_cast<size_t>(i)];
    if (!rule.isDefined()) continue;
    lines.push_back("ParseRule=" + std::to_string(i + 1) + " compiled=" + (rule.isCompiled() ? "1" : "0") +
                    " text=" + rule.getText());
  }
  return lines;
}

void readParseSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_parserules& out) {
  out.setSectionAvailable();
  qv_readSectionLines(in, false, [&](std::string_view text, bool commentOrBlank) {
    out.addRawLine(qv_splitRawLine(text));
    if (commentOrBlank) return;

    if (!qv_startsWithNoCase(text, "RULE_")) {
      errors.setError(MSG_PARSE_RULE_SYNTAX, fileName, text);
      return;
    }
    // Rule numbers are 1..64, as the message says; rule n lives in slot n-1
    // and 0 is rejected like any other number outside the range.
    const std::optional<int> number = qv_scan::readInt(text.substr(5));
    if (!number || *number < 1 || *number > qv_parserules::kNumberOfRules) {
      errors.setError(MSG_PARSE_RULE_NUMBER, fileName, qv_parserules::kNumberOfRules, text);
      return;
    }
    qv_parserule* rule = out.getRuleByNumber(*number);
    if (rule->isDefined()) {
      errors.setError(MSG_PARSE_RULE_TWICE, fileName, *number, text);
      return;
    }
    const std::optional<std::string_view> expression = qv_scan::betweenOuterQuotes(text);
    if (!expression) {
      errors.setError(MSG_PARSE_RULE_QUOTE, fileName, text);
      return;
    }
    if (expression->size() > qv_parserule::kMaxLength) {
      errors.setError(MSG_PARSE_RULE_TOO_LONG, fileName, static_cast<int>(qv_parserule::kMaxLength + 2), text);
      return;
    }
    rule->define(std::string(*expression));
  });
}
