#include "results/peptide_string.h"

#include <array>
#include <utility>

#include "results/peptide_fields.h"
#include "results/value_parse.h"

namespace {

using qv_results::FieldSplitter;
using qv_results::leadingDouble;
using qv_results::leadingInt;

constexpr int kErrParsePeptide = 7;
constexpr int kErrParsePeptideAccession = 8;
constexpr int kErrParseHitQuery = 10;
constexpr int kErrNullAccession = 17;
constexpr int kErrMalformedTerms = 29;

// Labels of the "q%d_p%d" fields as the error messages name them.
constexpr std::array<const char*, 11> kQueryRankLabels = {
    "miss cleavages",        "mr calc",         "delta",      "ions matched", "ions1",
    "peaks used from ions1", "var mods string", "ions score", "series used",  "peaks from ions 2",
    "peaks from ions 3"};

// Labels of the "h%d_q%d" fields.
constexpr std::array<const char*, 14> kHitQueryLabels = {"missed cle",
                                                         "mrCalc",
                                                         "delta",
                                                         "start",
                                                         "end",
                                                         "ions matched",
                                                         "peptide string",
                                                         "peaks from ions 1",
                                                         "var mods string",
                                                         "ions score",
                                                         "multiplicity",
                                                         "series used",
                                                         "peaks from ions 2",
                                                         "peaks from ions 3"};

// Stores token `index` of a value string into `v` (the field order of
// "q%d_p%d"; the "h%d_q%d" reader maps its own order onto it).
void storeField(qv_peptide::Values& v, int index, std::string_view token) {
  switch (index) {
    case 0:
      v.missedCleavages = leadingInt(token);
      break;
    case 1:
      v.mrCalc = leadingDouble(token);
      break;
    case 2:
      v.delta = leadingDouble(token);
      break;
    case 3:
      v.numIonsMatched = leadingInt(token);
      break;
    case 4:
      v.sequence = token;
      break;
    case 5:
      v.peaksUsedFromIons1 = leadingInt(token);
      break;
    case 6:
      v.varModsStr = token;
      break;
    case 7:
      v.ionsScore = leadingDouble(token);
      break;
    case 8:
      v.seriesUsedStr = token;
      break;
    case 9:
      v.peaksUsedFromIons2 = leadingInt(token);
      break;
    case 10:
      v.peaksUsedFromIons3 = leadingInt(token);
      break;
    default:
      break;
  }
}

// Reads the "_primary_nl" and "_subst" companions of `key` into `peptide`.
void readCompanions(const qv_peptide_source& source, const std::string& key, qv_peptide& peptide) {
  peptide.setPrimaryNlStr(source.getValue(key + "_primary_nl"));
  std::string subst = source.getValue(key + "_subst");
  if (!subst.empty()) peptide.setSubstitutions(qv_parseSubstitutions(subst, peptide.getPeptideStr()));
}

// Takes the next "_terms" pair into before/after. A pair of fewer than three
// characters leaves '?' and, unless "_terms" is empty, records error 29.
void takeTerms(const qv_peptide_source& source, const std::string& terms, FieldSplitter& pairs, char& before,
               char& after) {
  std::string_view pair;
  if (!pairs.next(":", pair)) pair = {};
  if (pair.size() >= 3) {
    before = pair[0];
    after = pair[2];
  } else if (!terms.empty()) {
    source.recordError(kErrMalformedTerms, {terms});
  }
}

}  // namespace

qv_peptide::Values qv_queryRankValues(const std::string_view (&fields)[11]) {
  qv_peptide::Values v;
  for (int i = 0; i < 11; ++i) storeField(v, i, fields[i]);
  return v;
}

void qv_queryRankNumbers(const std::string_view (&fields)[11], qv_peptide::Values& values) {
  for (int i = 0; i < 11; ++i)
    if (i != 4 && i != 6 && i != 8) storeField(values, i, fields[i]);
}

qv_query_rank_read qv_readQueryRankPeptide(const qv_peptide_source& source, int q, int p) {
  qv_query_rank_read result;
  const std::string key = qv_peptideKey(qv_peptide_form::QUERY_RANK, q, p);
  const std::string value = source.getValue(key);
  if (value.empty()) return result;  // nothing written at this rank
  if (value == "-1") {
    result.peptide =
        std::make_unique<qv_peptide>(qv_peptide::noMatch(q, p, source.getObservedMass(q), source.getObservedCharge(q)));
    return result;
  }
  FieldSplitter fields(value);
  qv_peptide::Values v;
  for (int i = 0; i < static_cast<int>(kQueryRankLabels.size()); ++i) {
    std::string_view token;
    if (!fields.next(i + 1 < static_cast<int>(kQueryRankLabels.size()) ? "," : ";", token)) {
      source.recordError(kErrParsePeptide, {kQueryRankLabels[static_cast<size_t>(i)], q, p});
      return result;
    }
    storeField(v, i, token);
  }
  result.proteinList = fields.rest();
  result.peptide =
      std::make_unique<qv_peptide>(q, p, std::move(v), source.getObservedMass(q), source.getObservedCharge(q));
  readCompanions(source, key, *result.peptide);
  return result;
}

std::vector<qv_protein_reference> qv_readProteinList(const qv_peptide_source& source, int q, int p,
                                                     std::string_view proteinList) {
  std::vector<qv_protein_reference> refs;
  FieldSplitter items(proteinList);
  if (items.restIsBlank()) return refs;
  const std::string key = qv_peptideKey(qv_peptide_form::QUERY_RANK, q, p);
  const std::string terms = source.getValue(key + "_terms");
  FieldSplitter pairs(terms);
  static constexpr const char* kLabels[] = {"frame", "start", "end", "multiplicity"};
  // An item is read while text remains: a list that ends in a separator has
  // no further, empty, item.
  while (!items.restIsBlank()) {
    std::string_view accession;
    if (!items.next(":", accession)) break;
    qv_protein_reference ref;
    ref.accession = accession;
    takeTerms(source, terms, pairs, ref.residueBefore, ref.residueAfter);
    if (accession.empty()) source.recordError(kErrNullAccession, {q, p});
    int32_t* numbers[] = {&ref.frame, &ref.start, &ref.end, &ref.multiplicity};
    bool complete = true;
    for (int i = 0; i < 4 && complete; ++i) {
      std::string_view token;
      if (!items.next(i < 3 ? ":" : ",", token)) {
        source.recordError(kErrParsePeptideAccession, {kLabels[i], ref.accession, q, p});
        complete = false;
      } else {
        *numbers[i] = leadingInt(token);
      }
    }
    if (complete) refs.push_back(std::move(ref));
  }
  return refs;
}

qv_hit_query_read qv_readHitQueryPeptide(const qv_peptide_source& source, int h, int q) {
  qv_hit_query_read result;
  const std::string key = qv_peptideKey(qv_peptide_form::HIT_QUERY, q, h);
  const std::string value = source.getValue(key);
  if (value.empty()) return result;  // the query does not match this hit
  if (value == "-1") {
    result.peptide =
        std::make_unique<qv_peptide>(qv_peptide::noMatch(q, h, source.getObservedMass(q), source.getObservedCharge(q)));
    return result;
  }
  // Positions of the "h%d_q%d" fields in the "q%d_p%d" order; -1 for the
  // hit's own start, end and multiplicity.
  static constexpr int kMap[14] = {0, 1, 2, -1, -1, 3, 4, 5, 6, 7, -1, 8, 9, 10};
  FieldSplitter fields(value);
  qv_peptide::Values v;
  for (int i = 0; i < 14; ++i) {
    std::string_view token;
    if (!fields.next(",", token)) {
      source.recordError(kErrParseHitQuery, {kHitQueryLabels[static_cast<size_t>(i)], h, q});
      break;
    }
    if (i == 3)
      result.start = leadingInt(token);
    else if (i == 4)
      result.end = leadingInt(token);
    else if (i == 10)
      result.multiplicity = leadingInt(token);
    else
      storeField(v, kMap[i], token);
  }
  result.peptide =
      std::make_unique<qv_peptide>(q, h, std::move(v), source.getObservedMass(q), source.getObservedCharge(q));
  readCompanions(source, key, *result.peptide);
  const std::string terms = source.getValue(key + "_terms");
  FieldSplitter pairs(terms);
  takeTerms(source, terms, pairs, result.residueBefore, result.residueAfter);
  return result;
}

std::vector<qv_substitution> qv_parseSubstitutions(std::string_view value, std::string_view sequence) {
  std::vector<std::string_view> tokens;
  size_t i = 0;
  while (i < value.size()) {
    while (i < value.size() && (value[i] == ' ' || value[i] == '\t' || value[i] == ',')) ++i;
    size_t start = i;
    while (i < value.size() && value[i] != ' ' && value[i] != '\t' && value[i] != ',') ++i;
    if (i > start) tokens.push_back(value.substr(start, i - start));
  }
  std::vector<qv_substitution> list;
  for (size_t t = 0; t + 2 < tokens.size(); t += 3) {
    if (!qv_results::isWholeInteger(tokens[t]) || tokens[t + 1].size() != 1 || tokens[t + 2].size() != 1) break;
    int position = leadingInt(tokens[t]);
    if (position < 1 || static_cast<size_t>(position) > sequence.size()) break;
    char residue = tokens[t + 1][0];
    if (sequence[static_cast<size_t>(position - 1)] != residue) break;
    list.push_back({position, residue, tokens[t + 2][0]});
  }
  return list;
}
