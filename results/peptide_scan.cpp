#include "results/peptide_scan.h"

#include <algorithm>
#include <cstring>

#include "results/value_parse.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// A field the full reader splits differently: it skips leading blanks, and a
// leading quote makes the field quoted.
bool startsOddly(const char* p, const char* end) { return p < end && (isBlank(*p) || *p == '"'); }

// The first `c` in [p, end), or end. Fields are a few bytes long: a plain
// loop beats a library search that has to be called for each.
const char* findChar(const char* p, const char* end, char c) {
  while (p < end && *p != c) ++p;
  return p;
}

}  // namespace

bool qv_scanQueryRankFieldsPlain(std::string_view value, std::string_view (&fields)[11],
                                 std::string_view& proteinList) {
  const char* p = value.data();
  const char* const end = p + value.size();
  // Ten fields end at a comma, the eleventh at a semicolon (or the end).
  for (int i = 0; i < 10; ++i) {
    if (startsOddly(p, end)) return false;
    const char* comma = findChar(p, end, ',');
    if (comma == end) return false;  // too few fields: the full reader records it
    fields[i] = std::string_view(p, static_cast<size_t>(comma - p));
    p = comma + 1;
  }
  if (startsOddly(p, end)) return false;
  const char* semicolon = findChar(p, end, ';');
  fields[10] = std::string_view(p, static_cast<size_t>(semicolon - p));
  proteinList = semicolon == end ? std::string_view()
                                 : std::string_view(semicolon + 1, static_cast<size_t>(end - semicolon - 1));
  return true;
}

// The same split from the commas and semicolons of sixteen bytes at a time:
// a value's eleven fields are a hundred bytes or so, which the plain loop
// reads byte by byte, one field at a time.
bool qv_scanQueryRankFields(std::string_view value, std::string_view (&fields)[11], std::string_view& proteinList) {
  const char* const begin = value.data();
  const char* const end = begin + value.size();
  const char* start = begin;  // where the field being read starts
  int field = 0;
  if (startsOddly(start, end)) return false;
  // A comma at `at` ends field `field` (below 10); false when the next
  // field starts oddly.
  const auto endField = [&](const char* at) {
    fields[field++] = std::string_view(start, static_cast<size_t>(at - start));
    start = at + 1;
    return !startsOddly(start, end);
  };
  // A semicolon at `at` ends the eleventh field and the split.
  const auto finish = [&](const char* at) {
    fields[10] = std::string_view(start, static_cast<size_t>(at - start));
    proteinList = at == end ? std::string_view() : std::string_view(at + 1, static_cast<size_t>(end - at - 1));
    return true;
  };
  const char* p = begin;
#if defined(__SSE2__)
  const __m128i comma = _mm_set1_epi8(',');
  const __m128i semicolon = _mm_set1_epi8(';');
  for (; p + 16 <= end; p += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    uint32_t commas = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, comma)));
    for (; field < 10 && commas != 0; commas &= commas - 1)
      if (!endField(p + __builtin_ctz(commas))) return false;
    if (field < 10) continue;
    // Only a semicolon at or after the eleventh field's start ends it.
    uint32_t semicolons = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, semicolon)));
    if (start > p) semicolons &= ~((1u << (start - p)) - 1);
    if (semicolons != 0) return finish(p + __builtin_ctz(semicolons));
  }
#endif
  for (; p < end; ++p) {
    if (field < 10) {
      if (*p == ',' && !endField(p)) return false;
    } else if (*p == ';' && p >= start) {
      return finish(p);
    }
  }
  if (field < 10) return false;  // too few fields: the full reader records it
  return finish(end);
}

bool qv_scanQueryRankValue(std::string_view value, qv_query_rank_scan& out) {
  out = qv_query_rank_scan();
  if (value == "-1") {
    out.noMatch = true;
    return true;
  }
  std::string_view fields[11];
  if (!qv_scanQueryRankFields(value, fields, out.proteinList)) return false;
  out.noMatch = qv_results::leadingInt(fields[0]) == -1;
  out.sequence = fields[4];
  out.varMods = fields[6];
  out.ionsScore = qv_results::leadingDouble(fields[7]);
  return true;
}

bool qv_scanHitQueryValue(std::string_view value, qv_hit_query_scan& out) {
  out = qv_hit_query_scan();
  if (value == "-1") {
    out.noMatch = true;
    return true;
  }
  const char* p = value.data();
  const char* const end = p + value.size();
  std::string_view fields[14];
  for (int i = 0; i < 14; ++i) {
    if (startsOddly(p, end)) return false;
    const char* comma = findChar(p, end, ',');
    if (comma == end && i < 13) return false;  // too few fields: the full reader records it
    fields[i] = std::string_view(p, static_cast<size_t>(comma - p));
    p = comma == end ? end : comma + 1;
  }
  out.noMatch = qv_results::leadingInt(fields[0]) == -1;
  out.start = qv_results::leadingInt(fields[3]);
  out.end = qv_results::leadingInt(fields[4]);
  out.sequence = fields[6];
  out.varMods = fields[8];
  out.ionsScore = qv_results::leadingDouble(fields[9]);
  out.multiplicity = qv_results::leadingInt(fields[10]);
  return true;
}

bool qv_scanFirstTerms(std::string_view terms, char& before, char& after) {
  before = after = '?';
  if (terms.empty()) return true;
  if (isBlank(terms[0]) || terms[0] == '"') return false;
  const size_t pairEnd = std::min(terms.find(':'), terms.size());
  if (pairEnd < 3) return false;
  before = terms[0];
  after = terms[2];
  return true;
}

bool qv_proteinListIsBlank(std::string_view proteinList) {
  for (char c : proteinList)
    if (!isBlank(c)) return false;
  return true;
}

bool qv_scanProteinList(std::string_view proteinList, std::string_view terms, std::vector<qv_protein_scan>& out) {
  const char* p = proteinList.data();
  const char* const end = p + proteinList.size();
  size_t pair = 0;  // where the next "_terms" pair starts; beyond the end when none is left
  while (!qv_proteinListIsBlank(std::string_view(p, static_cast<size_t>(end - p)))) {
    // "ACC": with a closing quote right before the colon, and not empty.
    if (*p != '"') return false;
    const char* close = p + 1;
    while (close < end && *close != '"' && *close != ':') ++close;
    if (close + 1 >= end || *close != '"' || close[1] != ':' || close == p + 1) return false;
    qv_protein_scan ref;
    ref.accession = std::string_view(p + 1, static_cast<size_t>(close - p - 1));
    p = close + 2;
    // Its "_terms" pair "X,Y", at least three characters.
    if (!terms.empty()) {
      if (pair > terms.size() || (pair < terms.size() && (isBlank(terms[pair]) || terms[pair] == '"'))) return false;
      size_t pairEnd = terms.find(':', pair);
      if (pairEnd == std::string_view::npos) pairEnd = terms.size();
      if (pairEnd - pair < 3) return false;
      ref.residueBefore = terms[pair];
      ref.residueAfter = terms[pair + 2];
      pair = pairEnd + 1;
    }
    // frame:start:end:multiplicity, the last ended by a comma or the end.
    int32_t* numbers[] = {&ref.frame, &ref.start, &ref.end, &ref.multiplicity};
    for (int i = 0; i < 4; ++i) {
      if (p > end || startsOddly(p, end)) return false;
      const char* separator = findChar(p, end, i < 3 ? ':' : ',');
      if (separator == end && i < 3) return false;  // a number is missing
      *numbers[i] = qv_results::leadingInt(std::string_view(p, static_cast<size_t>(separator - p)));
      p = separator == end ? end : separator + 1;
    }
    out.push_back(ref);
  }
  return true;
}
