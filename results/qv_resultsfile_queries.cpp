// Search-type tests and per-query data of the results file.
#include <string>
#include <vector>

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

  // Only the fields the description shows are read, not a whole query.
  std::string title;
  if (getQuerySectionValue(q, "title", title) && !qv_inputquery::decodeTitle(title).empty()) {
    text += " title(" + title + ") ";
  }
  double tolerance = 0;
  std::string unit;
  qv_inputquery::splitPepTol(getQuerySectionValueStr(q, "PepTol"), tolerance, unit);
  const std::string pepTol = qv_inputquery::pepTolText(tolerance, unit);
  if (!pepTol.empty()) text += " " + pepTol;
  // Reused between calls: a report describes every query in turn.
  std::vector<std::string>& seq = qualifiers_[0];
  std::vector<std::string>& comp = qualifiers_[1];
  std::vector<std::string>& tag = qualifiers_[2];
  for (auto& list : qualifiers_) list.resize(20);
  getQuerySectionNumberedValues(q, {{"Seq", &seq}, {"Comp", &comp}, {"Tag", &tag}});
  for (size_t i = 0; i < 20; ++i) {
    if (!seq[i].empty()) text += " seq(" + seq[i] + ")";
    if (!comp[i].empty()) text += " comp(" + comp[i] + ")";
    if (!tag[i].empty()) {
      const size_t comma = tag[i].find(',');
      text += tag[i].front() == 'e' ? " etag(" : " tag(";
      if (comma != std::string::npos) text.append(tag[i], comma + 1);
      text += ")";
    }
  }
  // A charge or a peak list of any series makes it a query; the peak lists
  // count only when "num_vals" is not 0, and only their first bytes are read.
  if (hasQuerySectionValue(q, "charge") ||
      (getQuerySectionValueInt(q, "num_vals") != 0 &&
       (hasQuerySectionValue(q, "Ions1") || hasQuerySectionValue(q, "Ions2") || hasQuerySectionValue(q, "Ions3")))) {
    text += " query(" + n + ")";
  }
  return text;
}
