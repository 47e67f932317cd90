// Search-type tests and per-query data of the results file.
#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "results/qv_inputquery.h"
#include "results/qv_resultsfile.h"
#include "results/query_description.h"
#include "results/section_cursor.h"
#include "results/value_parse.h"

bool qv_resultsfile::isPMF() const { return getSectionValueStr(SEC_PARAMETERS, "SEARCH") == "PMF"; }
bool qv_resultsfile::isMSMS() const { return getSectionValueStr(SEC_PARAMETERS, "SEARCH") == "MIS"; }
bool qv_resultsfile::isSQ() const { return getSectionValueStr(SEC_PARAMETERS, "SEARCH") == "SQ"; }
bool qv_resultsfile::isErrorTolerant() const { return getSectionValueInt(SEC_PARAMETERS, "ERRORTOLERANT") == 1; }

// Scans the queries in order for the first one that satisfies the test and
// remembers the answer.
bool qv_resultsfile::cachedTest(int which, std::string_view key1, std::string_view key2, bool numeric) const {
  signed char& cached = cached_[which];
  if (cached >= 0) return cached == 1;
  bool any = false;
  std::string value;
  for (int q = 1; q <= numQueries_ && !any; ++q) {
    if (numeric) {
      any = getQuerySectionValueInt(q, key1) > 0;
    } else {
      any = getQuerySectionValue(q, key1, value) || getQuerySectionValue(q, key2, value);
    }
  }
  cached = any ? 1 : 0;
  return any;
}

bool qv_resultsfile::anyMSMS() const { return cachedTest(0, "num_vals", {}, true); }
bool qv_resultsfile::anySeq() const { return cachedTest(1, "Seq1", "Comp1", false); }
bool qv_resultsfile::anyTag() const { return cachedTest(2, "Tag1", "Etag1", false); }

double qv_resultsfile::getObservedMass(int q) const { return observedMass(q, nullptr); }

double qv_resultsfile::getObservedMass(int q, SectionCursor& summary) const { return observedMass(q, &summary); }

double qv_resultsfile::observedMass(int q, SectionCursor* summary) const {
  if (q < 1 || q > numQueries_) {
    setError(ERR_QUERY_OUT_OF_RANGE, "getObservedMass", q, numQueries_);
    return 0;
  }
  const std::string key = "qexp" + std::to_string(q);
  return valueDouble(summary != nullptr ? summary->find(key) : findSectionValue(SEC_SUMMARY, key));
}

int qv_resultsfile::getObservedCharge(int q) const { return observedCharge(q, nullptr); }

int qv_resultsfile::getObservedCharge(int q, SectionCursor& summary) const { return observedCharge(q, &summary); }

int qv_resultsfile::observedCharge(int q, SectionCursor* summary) const {
  if (q < 1 || q > numQueries_) {
    setError(ERR_QUERY_OUT_OF_RANGE, "getObservedCharge", q, numQueries_);
    return -100;
  }
  const std::string key = "qexp" + std::to_string(q);
  std::string value;
  if (!assign(summary != nullptr ? summary->find(key) : findSectionValue(SEC_SUMMARY, key), value)) {
    setError(ERR_MISSING_ENTRY, "getObservedCharge", key);
    return -100;
  }
  const size_t comma = value.find(',');
  if (comma == std::string::npos) return -100;
  const size_t next = value.find(',', comma + 1);
  const std::string_view charge =
      std::string_view(value).substr(comma + 1, next == std::string::npos ? std::string::npos : next - comma - 1);
  if (charge == "Mr") return 0;
  if (charge.size() == 2 && charge[0] >= '1' && charge[0] <= '8') {
    if (charge[1] == '+') return charge[0] - '0';
    if (charge[1] == '-') return -(charge[0] - '0');
  }
  return -100;
}

std::string qv_resultsfile::getQueryDescription(int q) const { return qv_results::describeQuery(*this, q); }

void qv_resultsfile::getQuerySectionNumberedValues(
    int q, std::initializer_list<std::pair<std::string_view, std::vector<std::string>*>> lists) const {
  size_t maxIndex = 0;
  std::vector<std::string_view> prefixes;
  for (const auto& [prefix, out] : lists) {
    for (std::string& v : *out) v.clear();
    prefixes.push_back(prefix);
    maxIndex = std::max(maxIndex, out->size());
  }
  std::vector<qv_results::NumberedValue> found;
  qv_results::findNumberedValues(*this, q, prefixes, maxIndex, found);
  for (const qv_results::NumberedValue& k : found) {
    std::vector<std::string>& out = *(lists.begin() + k.prefix)->second;
    if (k.index <= out.size()) (void)assign(k.value, out[k.index - 1]);
  }
}
