#pragma once
// The PARSE section of tarnel.dat: a numbered table of regular expressions
// that cut accession numbers and descriptions out of database title lines.
// Rule numbers run from 1 to 64 and address the 64 slots of the table.
#include <array>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "config/config_lines.h"
#include "platform/regex.h"
#include "errors/qv_errors.h"

/// One parse rule: an expression in basic syntax, matched without regard to
/// case, with exactly one parenthesised sub-expression (the part cut out).
class qv_parserule {
 public:
  /// Longest expression text a PARSE line may define.
  static constexpr size_t kMaxLength = 126;

  bool isDefined() const { return defined_; }
  const std::string& getText() const { return text_; }
  bool isCompiled() const { return compiled_ != nullptr; }
  /// True once compiling was tried (successfully or not).
  bool wasCompileAttempted() const { return attempted_; }

  /// Makes the rule defined with `text`, not compiled.
  void define(std::string text);

  /// Compiles a defined rule that has not been tried yet. A failure adds 0x603
  /// (the library's text) or 0x604 (not exactly one sub-expression) to
  /// `errors` and leaves the rule uncompiled; it is not tried again. Returns
  /// isCompiled().
  bool compile(qv_errors& errors);

  /// Applies a compiled rule: the text of its sub-expression, or nullopt when
  /// the rule is not compiled or does not match.
  std::optional<std::string> match(const std::string& text) const;

 private:
  bool defined_ = false;
  bool attempted_ = false;
  std::string text_;
  std::shared_ptr<const qv_platform::qv_regex> compiled_;  // shared: the tables stay copyable
};

/// Compiles `rule` (see qv_parserule::compile); the name used by the callers.
inline bool compileRule(qv_parserule& rule, qv_errors& errors) { return rule.compile(errors); }

/// The parse-rule table of the PARSE section.
class qv_parserules {
 public:
  static constexpr int kNumberOfRules = 64;

  /// Back to defaults: no rule defined, section absent, no raw lines.
  void reset();
  bool isSectionAvailable() const { return present_; }
  void setSectionAvailable() { present_ = true; }

  /// Slot `index` (0-based, 0..63); nullptr outside.
  const qv_parserule* getRule(int index) const;
  qv_parserule* getRule(int index);
  /// The rule with `number` as written in the file (1..64); nullptr outside.
  const qv_parserule* getRuleByNumber(int number) const { return getRule(number - 1); }
  qv_parserule* getRuleByNumber(int number) { return getRule(number - 1); }
  /// True when `number` (1..64) names a defined rule.
  bool isRuleDefined(int number) const;

  /// The section's lines in file order (trailing blanks stripped).
  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }
  void addRawLine(const qv_raw_line& line) { rawLines_.push_back(line); }

  /// One line per defined rule: `ParseRule=<number> compiled=<0|1> text=<expression>`
  /// (compiled=1 once a database check has compiled it).
  std::vector<std::string> dumpLines() const;

 private:
  bool present_ = false;
  std::array<qv_parserule, kNumberOfRules> rules_{};
  std::vector<qv_raw_line> rawLines_;
};

/// Reads the PARSE section from the line behind its header up to a line that
/// begins with `end` (any case) or the end of the text. Sets the presence
/// flag. Messages 0x60A..0x60E go to `errors` with `fileName`.
void readParseSection(qv_config_lines& in, const std::string& fileName, qv_errors& errors, qv_parserules& out);
