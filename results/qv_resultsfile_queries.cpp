// Search-type tests and per-query data of the results file.
#include <string>

#include "results/qv_inputquery.h"
#include "results/qv_resultsfile.h"
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

double qv_resultsfile::getObservedMass(int q) const {
  if (q < 1 || q > numQueries_) {
    setError(ERR_QUERY_OUT_OF_RANGE, "getObservedMass", q, numQueries_);
    return 0;
  }
  std::string value;
  (void)getSectionValue(SEC_SUMMARY, "qexp" + std::to_string(q), value);
  return qv_results::leadingDouble(value);
}

int qv_resultsfile::getObservedCharge(int q) const {
  if (q < 1 || q > numQueries_) {
    setError(ERR_QUERY_OUT_OF_RANGE, "getObservedCharge", q, numQueries_);
    return -100;
  }
  const std::string key = "qexp" + std::to_string(q);
  std::string value;
  if (!getSectionValue(SEC_SUMMARY, key, value)) {
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

std::string qv_resultsfile::getQueryDescription(int q) const {
  if (q < 1 || q > numQueries_) {
    setError(ERR_QUERY_OUT_OF_RANGE, "getObservedMass", q, numQueries_);
    return {};
  }
  const std::string n = std::to_string(q);
  std::string value;
  std::string text = getSectionValueStr(SEC_SUMMARY, "qmass" + n);
  text += " from(";
  text += getSectionValueStr(SEC_SUMMARY, "qexp" + n);
  text += ") ";
  if (getSectionValue(SEC_SUMMARY, "qintensity" + n, value)) text += " intensity(" + value + ") ";

  const qv_inputquery query(*this, q);
  if (!query.getTitle().empty()) text += " title(" + query.getRawTitle() + ") ";
  const std::string pepTol = query.getPepTolString();
  if (!pepTol.empty()) text += " " + pepTol;
  for (int i = 1; i <= 20; ++i) {
    const std::string& seq = query.getSeq(i);
    if (!seq.empty()) text += " seq(" + seq + ")";
    const std::string& comp = query.getComp(i);
    if (!comp.empty()) text += " comp(" + comp + ")";
    if (!query.getTag(i).empty()) {
      text += query.isErrorTolerantTag(i) ? " etag(" : " tag(";
      text += query.getTagString(i) + ")";
    }
  }
  if (!query.getCharge().empty() || query.hasIons(1) || query.hasIons(2) || query.hasIons(3)) {
    text += " query(" + n + ")";
  }
  return text;
}
