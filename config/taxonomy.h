#pragma once
// The TAXONOMY_<n> sections of tarnel.dat: rule sets that say where a
// database's species information is found and how it is read. Rule sets are
// numbered 0..64 by their header.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_lines.h"
#include "config/parse_rules.h"
#include "errors/qv_errors.h"

/// Where a taxonomy file or source rule takes its data from.
enum qv_taxsource : int {
  QV_TAX_NCBI = 0,
  QV_TAX_SWISSPROT = 1,
  QV_TAX_PDB = 2,
  QV_TAX_GI2TAXID = 3,
};

/// Chop flags of a source rule (bit set).
enum qv_taxchop : int {
  QV_CHOP_P = 1,
  QV_CHOP_S = 2,
  QV_CHOP_W = 4,
};

/// One entry of a file list: the kind of source and the file name.
struct qv_taxfile {
  qv_taxsource source = QV_TAX_NCBI;
  std::string fileName;
};

/// A source rule: where the species comes from, what is chopped off, and the
/// expression (compiled when read).
struct qv_taxsourcerule {
  qv_taxsource source = QV_TAX_NCBI;
  int chopFlags = 0;
  qv_parserule rule;
};

/// One rule set (one TAXONOMY_<n> section).
class qv_taxonomyrule {
 public:
  static constexpr size_t kMaxNoBreaks = 300;
  static constexpr size_t kMaxPrefixes = 100;
  static constexpr size_t kMaxSuffixes = 100;

  int number = 0;
  bool present = false;
  bool enabled = false;
  std::string identifier;
  int errorLevel = 0;
  bool fromRefFile = false;
  bool concatRefFileLines = true;
  char descriptionLineSep = 0;
  bool hasTaxID = false;
  int taxID = 0;
  bool mitochondrialTranslation = false;
  qv_parserule srcDatabaseRule;
  qv_parserule doThisRuleFirst;
  qv_parserule accFromSpeciesLine;
  std::vector<qv_taxfile> gencodeFiles;
  std::vector<qv_taxfile> speciesFiles;
  std::vector<qv_taxfile> strStrFiles;
  std::vector<qv_taxfile> nodesFiles;
  std::vector<qv_taxsourcerule> sourceRules;  ///< from the RULE_ lines, in order
  std::optional<qv_taxsourcerule> defaultRule;
  std::optional<qv_taxsourcerule> strStrRule;
  std::vector<std::string> noBreakDescLineIf;  ///< upper case
  std::vector<std::string> prefixRemoves;      ///< upper case
  std::vector<std::string> suffixRemoves;      ///< upper case
  std::string quickRefSearch;
  std::vector<qv_raw_line> rawLines;

  /// One line: `TaxonomyRuleSet=<n> enabled=<0|1> identifier=<text> ...` with
  /// the counts of its lists and rules.
  std::string dumpLine() const;
};

/// The taxonomy rule sets, slots 0..64.
class qv_taxonomyrules {
 public:
  static constexpr int kNumberOfSlots = 65;

  /// Back to defaults: every slot empty.
  void reset();
  /// True when at least one TAXONOMY_ section was read.
  bool isSectionAvailable() const;
  /// Rule set `number` (0..64), or nullptr when the slot is empty or outside.
  const qv_taxonomyrule* getRuleSet(int number) const;
  /// Number of slots in use.
  int getNumberOfRuleSets() const;

  /// Stores a rule set in its slot (replacing whatever was there).
  void setRuleSet(qv_taxonomyrule ruleSet);

  /// One line per rule set in slot order (see qv_taxonomyrule::dumpLine).
  std::vector<std::string> dumpLines() const;

 private:
  std::array<std::optional<qv_taxonomyrule>, kNumberOfSlots> sets_{};
};

/// Reads a TAXONOMY_<n> section; `headerLine` is the header as met (the
/// number stands behind "TAXONOMY_"). Reads up to a line beginning with `end`
/// (any case). A number outside 0..64 adds 0x60F and skips the section; a
/// number already in use adds 0x61F and reads nothing, so the section's lines
/// fall back to the caller's top level. Messages 0x603, 0x604, 0x60F..0x613.
void readTaxonomySection(qv_config_lines& in, std::string_view headerLine, const std::string& fileName,
                         qv_errors& errors, qv_taxonomyrules& out);
