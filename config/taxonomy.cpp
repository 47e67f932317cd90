#include "config/taxonomy.h"

#include "config/config_messages.h"
#include "config/config_scan.h"
#include "platform/ascii.h"

namespace {

enum class TaxKey {
  Enabled,
  Identifier,
  ErrorLevel,
  FromRefFile,
  ConcatRefFileLines,
  DescriptionLineSep,
  GencodeFiles,
  TaxID,
  MitochondrialTranslation,
  SrcDatabaseRule,
  DoThisRuleFirst,
  AccFromSpeciesLine,
  SpeciesFiles,
  StrStrFiles,
  NodesFiles,
  Rule,
  DefaultRule,
  StrStrRule,
  NoBreakDescLineIf,
  PrefixRemoves,
  SuffixRemoves,
  QuickRefSearch,
};

struct KeyRow {
  std::string_view name;
  TaxKey key;
  bool clashesWithTaxID;  // may not stand in a rule set that has a TaxID
};

// Tested in this order, each as a prefix of the line without regard to case.
constexpr KeyRow kKeys[] = {
    {"Enabled", TaxKey::Enabled, false},
    {"Identifier", TaxKey::Identifier, false},
    {"ErrorLevel", TaxKey::ErrorLevel, false},
    {"FromRefFile", TaxKey::FromRefFile, false},  // clashes only with the value 1
    {"ConcatRefFileLines", TaxKey::ConcatRefFileLines, false},
    {"DescriptionLineSep", TaxKey::DescriptionLineSep, false},
    {"GencodeFiles", TaxKey::GencodeFiles, false},
    {"TaxID", TaxKey::TaxID, false},
    {"MitochondrialTranslation", TaxKey::MitochondrialTranslation, false},
    {"SrcDatabaseRule", TaxKey::SrcDatabaseRule, true},
    {"DoThisRuleFirst", TaxKey::DoThisRuleFirst, true},
    {"AccFromSpeciesLine", TaxKey::AccFromSpeciesLine, true},
    {"SpeciesFiles", TaxKey::SpeciesFiles, false},
    {"StrStrFiles", TaxKey::StrStrFiles, true},
    {"NodesFiles", TaxKey::NodesFiles, false},
    {"RULE_", TaxKey::Rule, false},
    {"DefaultRule", TaxKey::DefaultRule, true},
    {"StrStrRule", TaxKey::StrStrRule, true},
    {"NoBreakDescLineIf", TaxKey::NoBreakDescLineIf, true},
    {"PrefixRemoves", TaxKey::PrefixRemoves, true},
    {"SuffixRemoves", TaxKey::SuffixRemoves, true},
    {"QuickRefSearch", TaxKey::QuickRefSearch, true},
};

struct SourceName {
  std::string_view name;
  qv_taxsource source;
};

// Source names are case-sensitive and tested in this order.
constexpr SourceName kSources[] = {
    {"NCBI", QV_TAX_NCBI}, {"GI2TAXID", QV_TAX_GI2TAXID}, {"SWISSPROT", QV_TAX_SWISSPROT}, {"PDB", QV_TAX_PDB}};

constexpr int kMaxRuleSetNumber = 64;

// One TAXONOMY_ section being read.
class TaxonomyReader {
 public:
  TaxonomyReader(const std::string& fileName, qv_errors& errors, qv_taxonomyrule& set)
      : fileName_(fileName), errors_(errors), set_(set) {}

  void readLine(std::string_view text);
  void finish();

 private:
  void invalid(std::string_view text) { errors_.setError(MSG_TAXONOMY_BAD_ENTRY, fileName_, text); }
  void readFileList(std::string_view value, std::vector<qv_taxfile>& list, std::initializer_list<qv_taxsource> allowed,
                    std::string_view text);
  void readExpression(std::string_view text, qv_parserule& rule);
  std::optional<qv_taxsourcerule> readSourceRule(std::string_view value, std::string_view text);
  void readWords(std::string_view value, std::vector<std::string>& list, size_t limit, int message);

  const std::string& fileName_;
  qv_errors& errors_;
  qv_taxonomyrule& set_;
  std::string firstClashingLine_;
};

void TaxonomyReader::readLine(std::string_view text) {
  const KeyRow* row = nullptr;
  for (const KeyRow& candidate : kKeys) {
    if (qv_startsWithNoCase(text, candidate.name)) {
      row = &candidate;
      break;
    }
  }
  if (row == nullptr) {
    invalid(text);
    return;
  }
  const std::string_view afterKey = text.substr(row->name.size());
  const std::string_view value = qv_scan::skipChars(afterKey, " \t:=");
  const std::optional<int> number = qv_scan::intAfterFirstWord(text);
  bool clashes = row->clashesWithTaxID;

  switch (row->key) {
    case TaxKey::Enabled:
      set_.enabled = number && *number == 1;
      break;
    case TaxKey::Identifier: {
      const std::string_view rest = qv_scan::skipChars(afterKey, " \t");
      set_.identifier = rest.substr(0, rest.find_first_of("\r\n"));
      break;
    }
    case TaxKey::ErrorLevel:
      if (number && *number < 0) {
        set_.errorLevel = 1;
        invalid(text);
      } else if (number) {
        set_.errorLevel = *number;
      }
      break;
    case TaxKey::FromRefFile:
      set_.fromRefFile = number && *number == 1;
      clashes = set_.fromRefFile;
      break;
    case TaxKey::ConcatRefFileLines:
      set_.concatRefFileLines = !number || *number == 1;
      break;
    case TaxKey::DescriptionLineSep:
      // A code that is no character (below 0 or above 255) falls back to 0.
      if (number && (*number < 0 || *number > 255)) {
        set_.descriptionLineSep = 0;
        invalid(text);
      } else if (number) {
        set_.descriptionLineSep = static_cast<char>(*number);
      }
      break;
    case TaxKey::GencodeFiles:
      readFileList(value, set_.gencodeFiles, {QV_TAX_NCBI}, text);
      break;
    case TaxKey::TaxID:
      if (number) {
        set_.hasTaxID = true;
        set_.taxID = *number;
      }
      break;
    case TaxKey::MitochondrialTranslation:
      set_.mitochondrialTranslation = number && *number == 1;
      break;
    case TaxKey::SrcDatabaseRule:
      readExpression(text, set_.srcDatabaseRule);
      break;
    case TaxKey::DoThisRuleFirst:
      readExpression(text, set_.doThisRuleFirst);
      break;
    case TaxKey::AccFromSpeciesLine:
      readExpression(text, set_.accFromSpeciesLine);
      break;
    case TaxKey::SpeciesFiles:
      readFileList(value, set_.speciesFiles, {QV_TAX_NCBI, QV_TAX_GI2TAXID, QV_TAX_SWISSPROT, QV_TAX_PDB}, text);
      break;
    case TaxKey::StrStrFiles:
      readFileList(value, set_.strStrFiles, {QV_TAX_NCBI, QV_TAX_SWISSPROT, QV_TAX_PDB}, text);
      break;
    case TaxKey::NodesFiles:
      readFileList(value, set_.nodesFiles, {QV_TAX_NCBI}, text);
      break;
    case TaxKey::Rule: {
      // The rule's own name (RULE_<n>) is the first word; the source rule follows.
      const size_t nameEnd = text.find_first_of(" \t");
      const std::string_view rest = nameEnd == std::string_view::npos ? std::string_view() : text.substr(nameEnd);
      if (auto rule = readSourceRule(rest, text)) set_.sourceRules.push_back(std::move(*rule));
      break;
    }
    case TaxKey::DefaultRule:
      if (auto rule = readSourceRule(afterKey, text)) set_.defaultRule = std::move(*rule);
      break;
    case TaxKey::StrStrRule:
      if (auto rule = readSourceRule(afterKey, text)) set_.strStrRule = std::move(*rule);
      break;
    case TaxKey::NoBreakDescLineIf:
      readWords(value, set_.noBreakDescLineIf, qv_taxonomyrule::kMaxNoBreaks, MSG_TAXONOMY_TOO_MANY_NO_BREAKS);
      break;
    case TaxKey::PrefixRemoves:
      readWords(value, set_.prefixRemoves, qv_taxonomyrule::kMaxPrefixes, MSG_TAXONOMY_TOO_MANY_PREFIXES);
      break;
    case TaxKey::SuffixRemoves:
      readWords(value, set_.suffixRemoves, qv_taxonomyrule::kMaxSuffixes, MSG_TAXONOMY_TOO_MANY_SUFFIXES);
      break;
    case TaxKey::QuickRefSearch: {
      std::string_view rest = qv_scan::skipChars(afterKey, " \t");
      if (!rest.empty() && rest[0] == '"') rest.remove_prefix(1);
      set_.quickRefSearch = rest.substr(0, rest.find_first_of("\"\r\n"));
      break;
    }
  }
  if (clashes && firstClashingLine_.empty()) firstClashingLine_ = text;
}

void TaxonomyReader::finish() {
  if (set_.hasTaxID && !firstClashingLine_.empty()) errors_.setError(MSG_TAXONOMY_TAXID_CLASH, fileName_, firstClashingLine_);
}

void TaxonomyReader::readFileList(std::string_view value, std::vector<qv_taxfile>& list,
                                  std::initializer_list<qv_taxsource> allowed, std::string_view text) {
  for (std::string_view token : qv_scan::tokens(value, " ,\t")) {
    bool taken = false;
    for (qv_taxsource source : allowed) {
      std::string_view name;
      for (const SourceName& s : kSources) {
        if (s.source == source) name = s.name;
      }
      if (token.size() > name.size() + 1 && token.substr(0, name.size()) == name && token[name.size()] == ':') {
        list.push_back({source, std::string(token.substr(name.size() + 1))});
        taken = true;
        break;
      }
    }
    if (!taken) {
      invalid(text);
      return;  // the rest of the line is dropped
    }
  }
}

void TaxonomyReader::readExpression(std::string_view text, qv_parserule& rule) {
  const std::optional<std::string_view> expression = qv_scan::betweenOuterQuotes(text);
  if (!expression) {
    invalid(text);
    return;
  }
  rule.define(std::string(*expression));
  (void)rule.compile(errors_);  // failures are reported; the rule stays defined
}

std::optional<qv_taxsourcerule> TaxonomyReader::readSourceRule(std::string_view value, std::string_view text) {
  std::string_view rest = qv_scan::skipChars(value, " \t,:=");
  qv_taxsourcerule rule;
  bool known = false;
  for (const SourceName& s : kSources) {
    if (rest.substr(0, s.name.size()) == s.name) {
      rule.source = s.source;
      rest.remove_prefix(s.name.size());
      known = true;
      break;
    }
  }
  rest = qv_scan::skipChars(rest, " \t,");
  if (!known || !qv_startsWithNoCase(rest, "CHOP:")) {
    invalid(text);
    return std::nullopt;
  }
  rest.remove_prefix(5);
  size_t i = 0;
  for (; i < rest.size() && rest[i] != ' ' && rest[i] != '\t' && rest[i] != ',' && rest[i] != '"'; ++i) {
    switch (rest[i]) {
      case 'P':
      case 'p':
        rule.chopFlags |= QV_CHOP_P;
        break;
      case 'S':
      case 's':
        rule.chopFlags |= QV_CHOP_S;
        break;
      case 'W':
      case 'w':
        rule.chopFlags |= QV_CHOP_W;
        break;
      default:
        invalid(text);
        return std::nullopt;
    }
  }
  const std::optional<std::string_view> expression = qv_scan::betweenOuterQuotes(rest.substr(i));
  if (!expression) {
    invalid(text);
    return std::nullopt;
  }
  rule.rule.define(std::string(*expression));
  (void)rule.rule.compile(errors_);
  return rule;
}

void TaxonomyReader::readWords(std::string_view value, std::vector<std::string>& list, size_t limit, int message) {
  // A full list takes no further word: the limit is the size of the list.
  for (std::string_view word : qv_scan::tokens(value, " ,\t")) {
    if (list.size() >= limit) {
      errors_.setError(message, fileName_, static_cast<int>(limit));
      return;
    }
    list.push_back(qv_platform::asciiUpper(std::string(word)));
    if (list.size() >= limit) {
      errors_.setError(message, fileName_, static_cast<int>(limit));
      return;
    }
  }
}

void skipToEnd(qv_config_lines& in) {
  qv_readSectionLines(in, false, [](std::string_view, bool) {});
}

}  // namespace

std::string qv_taxonomyrule::dumpLine() const {
  auto count = [](size_t n) { return std::to_string(n); };
  return "TaxonomyRuleSet=" + std::to_string(number) + " enabled=" + (enabled ? "1" : "0") +
         " identifier=" + identifier + " errorLevel=" + std::to_string(errorLevel) +
         " taxID=" + (hasTaxID ? std::to_string(taxID) : std::string("none")) +
         " sourceRules=" + count(sourceRules.size()) + " defaultRule=" + (defaultRule ? "1" : "0") +
         " strStrRule=" + (strStrRule ? "1" : "0") + " gencodeFiles=" + count(gencodeFiles.size()) +
         " speciesFiles=" + count(speciesFiles.size()) + " strStrFiles=" + count(strStrFiles.size()) +
         " nodesFiles=" + count(nodesFiles.size()) + " noBreaks=" + count(noBreakDescLineIf.size()) +
         " prefixes=" + count(prefixRemoves.size()) + " suffixes=" + count(suffixRemoves.size());
}

void qv_taxonomyrules::reset() { sets_ = {}; }

bool qv_taxonomyrules::isSectionAvailable() const { return getNumberOfRuleSets() > 0; }

const qv_taxonomyrule* qv_taxonomyrules::getRuleSet(int number) const {
  if (number < 0 || number >= kNumberOfSlots || !sets_[static_cast<size_t>(number)]) return nullptr;
  return &*sets_[static_cast<size_t>(number)];
}

int qv_taxonomyrules::getNumberOfRuleSets() const {
  int n = 0;
  for (const auto& set : sets_) n += set ? 1 : 0;
  return n;
}

void qv_taxonomyrules::setRuleSet(qv_taxonomyrule ruleSet) {
  if (ruleSet.number < 0 || ruleSet.number >= kNumberOfSlots) return;
  const size_t slot = static_cast<size_t>(ruleSet.number);
  sets_[slot] = std::move(ruleSet);
}

std::vector<std::string> qv_taxonomyrules::dumpLines() const {
  std::vector<std::string> lines;
  for (const auto& set : sets_) {
    if (set) lines.push_back(set->dumpLine());
  }
  return lines;
}

void readTaxonomySection(qv_config_lines& in, std::string_view headerLine, const std::string& fileName,
                         qv_errors& errors, qv_taxonomyrules& out) {
  const std::string_view header = qv_stripTrailing(headerLine);
  constexpr std::string_view kPrefix = "TAXONOMY_";
  const std::optional<int> number =
      header.size() > kPrefix.size() ? qv_scan::readInt(header.substr(kPrefix.size())) : std::nullopt;
  if (!number || *number < 0 || *number > kMaxRuleSetNumber) {
    errors.setError(MSG_TAXONOMY_BAD_ENTRY, fileName, header);
    skipToEnd(in);
    return;
  }
  if (out.getRuleSet(*number) != nullptr) {
    // The lines are left to the caller's top level, where they open nothing.
    errors.setError(MSG_TAXONOMY_DUPLICATE_NUMBER, *number);
    return;
  }
  qv_taxonomyrule set;
  set.number = *number;
  set.present = true;
  TaxonomyReader reader(fileName, errors, set);
  qv_readSectionLines(in, false, [&](std::string_view text, bool commentOrBlank) {
    set.rawLines.push_back(qv_splitRawLine(text));
    if (!commentOrBlank) reader.readLine(text);
  });
  reader.finish();
  out.setRuleSet(std::move(set));
}
