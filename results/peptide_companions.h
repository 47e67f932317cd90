#pragma once
// Readers of the companion keys that the summaries read on demand: tag
// matches ("_tag"), the delta range ("_drange") and the error-tolerant
// modification ("_et_mods", "_et_mods_master", "_et_mods_slave"). Each call
// reads the value again; malformed values record warnings 15, 26 or 27
// through the source and give the documented "absent" result.
//
// The text-level parsers take the value itself; the qv_get* functions look
// the companion of match (q, rankOrHit) up first.
#include <string>
#include <string_view>
#include <vector>

#include "results/peptide_source.h"

/// The companion value "<key of the match><suffix>", empty when absent.
std::string qv_getPeptideCompanion(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit,
                                   std::string_view suffix);

/// Field `field` (2, 3 or 4) of the first "_tag" item whose first integer is
/// `tagNumber`; -1 when there is none. Items that are not four
/// colon-separated integers record error 26 with the rest of the value and
/// are skipped.
int qv_parseTagField(const qv_peptide_source& errors, std::string_view value, int tagNumber, int field);

/// First (`second` false) or second integer of a "_drange" value; -1 when
/// the value is empty, and -1 with error 27 when the integer cannot be read.
int qv_parseDeltaRange(const qv_peptide_source& errors, std::string_view value, bool second);

/// An "_et_mods" value: delta, second value and the modification's name.
struct qv_errtol_mod {
  double delta = 0;
  double secondValue = 0;
  std::string name;
};

/// Parses "_et_mods"; a non-empty value without two commas records error 15
/// and gives zeros and an empty name.
qv_errtol_mod qv_parseErrTolMod(const qv_peptide_source& errors, std::string_view value);

/// Parses an "_et_mods_master" or "_et_mods_slave" list of numbers; each
/// empty item records error 15 and is skipped.
std::vector<double> qv_parseErrTolModValues(const qv_peptide_source& errors, std::string_view value);

// ---- The same, looked up for match (q, rankOrHit) of `form`.

int qv_getTagField(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit, int tagNumber,
                   int field);
int qv_getDeltaRangeStart(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit);
int qv_getDeltaRangeEnd(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit);
qv_errtol_mod qv_getErrTolMod(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit);
/// The master list (`master` true) or the slave list.
std::vector<double> qv_getErrTolModValues(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit,
                                          bool master);
