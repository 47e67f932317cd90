#include "summary/match_reread.h"

#include <cstring>
#include <span>
#include <string_view>

#include "results/peptide_scan.h"
#include "results/peptide_source.h"
#include "results/peptide_string.h"

namespace {

constexpr int kMaxRanks = 15;

}  // namespace

qv_peptide::Values qv_reread_match::values() const {
  qv_peptide::Values v = numbers;
  v.sequence = sequence;
  v.varModsStr = varMods;
  v.seriesUsedStr = seriesUsed;
  return v;
}

void qv_rereadQuery(const qv_resultsfile& file, qv_resultsfile::SectionCursor& cursor,
                    const qv_match_companions* marks, int q, uint32_t ranks, qv_reread_match* out) {
  if (marks != nullptr && !marks->ready()) marks = nullptr;
  // The values are found through the cursor (in the order of the file); the
  // companions the marks do not rule out are asked of the index together.
  char keys[2 * kMaxRanks][48];
  std::string_view asked[2 * kMaxRanks];
  qv_valueref* answers[2 * kMaxRanks];
  qv_valueref values[kMaxRanks + 1];
  qv_valueref primaryNl[kMaxRanks + 1];
  qv_valueref subst[kMaxRanks + 1];
  size_t n = 0;
  const auto ask = [&](std::string_view key, qv_valueref* answer) {
    asked[n] = key;
    answers[n] = answer;
    ++n;
  };
  for (int p = 1; p <= kMaxRanks; ++p) {
    if ((ranks >> p & 1) == 0) continue;
    char* key = keys[2 * (p - 1)];
    char* substKey = keys[2 * (p - 1) + 1];
    const size_t length = qv_formatPeptideKey(key, qv_peptide_form::QUERY_RANK, q, p);
    values[p] = cursor.find(std::string_view(key, length));
    if (marks == nullptr || marks->has(q, p, qv_match_companions::PRIMARY_NL)) {
      std::memcpy(key + length, "_primary_nl", 11);
      ask(std::string_view(key, length + 11), &primaryNl[p]);
    }
    if (marks == nullptr || marks->has(q, p, qv_match_companions::SUBST)) {
      std::memcpy(substKey, key, length);
      std::memcpy(substKey + length, "_subst", 6);
      ask(std::string_view(substKey, length + 6), &subst[p]);
    }
  }
  static_assert(2 * kMaxRanks <= 2 * qv_resultsfile::kMaxValuesAtOnce);
  for (size_t from = 0; from < n; from += qv_resultsfile::kMaxValuesAtOnce) {
    const size_t count = std::min(n - from, qv_resultsfile::kMaxValuesAtOnce);
    qv_valueref found[qv_resultsfile::kMaxValuesAtOnce];
    file.findSectionValues(SEC_PEPTIDES, std::span<const std::string_view>(asked + from, count),
                           std::span<qv_valueref>(found, count));
    for (size_t k = 0; k < count; ++k) *answers[from + k] = found[k];
  }

  // A value the fast reader splits gives the same values the full reader
  // would; anything else (a value kept on disk, one it refuses) is left to
  // the full reader.
  for (int p = 1; p <= kMaxRanks; ++p) {
    if ((ranks >> p & 1) == 0) continue;
    qv_reread_match& match = out[p];
    match = qv_reread_match();
    const qv_valueref& value = values[p];
    if (value.where != qv_valueref::IN_MEMORY || primaryNl[p].where == qv_valueref::ON_DISK ||
        subst[p].where == qv_valueref::ON_DISK)
      continue;
    if (value.text == "-1") {
      match.state = qv_reread_match::NO_MATCH;
      continue;
    }
    std::string_view fields[11];
    std::string_view proteins;
    if (!qv_scanQueryRankFields(value.text, fields, proteins)) continue;
    match.state = qv_reread_match::SPLIT;
    qv_queryRankNumbers(fields, match.numbers);
    match.sequence = fields[4];
    match.varMods = fields[6];
    match.seriesUsed = fields[8];
    match.hasPrimaryNl = primaryNl[p].found();
    match.primaryNl = primaryNl[p].text;
    match.hasSubstitutions = subst[p].found();
    match.substitutions = subst[p].text;
  }
}
