// Search-type tests and per-query data of the results file.
#include <algorithm>
#include <charconv>
#include <cstring>
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
  // A report describes every query in turn: values are appended straight
  // from the text held in memory, keys are built in a local buffer.
  char number[16];
  const std::string_view n(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, q).ptr - number));
  const qv_results::KeyTable* summary = fixedKeys(SEC_SUMMARY);
  const qv_results::KeyTable* query = queryKeys(q);
  // The three summary keys are looked up together: their table slots lie
  // far apart in a large table.
  char massKey[32], expKey[32], intensityKey[32];
  const auto numbered = [&](char* buffer, std::string_view prefix) {
    std::memcpy(buffer, prefix.data(), prefix.size());
    std::memcpy(buffer + prefix.size(), n.data(), n.size());
    return std::string_view(buffer, prefix.size() + n.size());
  };
  const std::string_view keys[3] = {numbered(massKey, "qmass"), numbered(expKey, "qexp"),
                                    numbered(intensityKey, "qintensity")};
  const char* lines[3];
  findLines(summary, {keys[0], keys[1], keys[2]}, lines);
  std::string text;
  text.reserve(160);
  if (lines[0] != nullptr) (void)appendLineValue(lines[0], keys[0].size(), text);
  text += " from(";
  if (lines[1] != nullptr) (void)appendLineValue(lines[1], keys[1].size(), text);
  text += ") ";
  size_t mark = text.size();
  text += " intensity(";
  if (lines[2] != nullptr && appendLineValue(lines[2], keys[2].size(), text)) {
    text += ") ";
  } else {
    text.resize(mark);
  }

  // A decoded title is empty exactly when the title is.
  mark = text.size();
  text += " title(";
  if (appendValue(query, "title", text)) {
    text += ") ";
  } else {
    text.resize(mark);
  }
  const char* pepTolLine = findLine(query, "PepTol");
  if (pepTolLine != nullptr) {
    std::string value;
    if (appendLineValue(pepTolLine, 6, value)) {
      double tolerance = 0;
      std::string unit;
      qv_inputquery::splitPepTol(value, tolerance, unit);
      const std::string pepTol = qv_inputquery::pepTolText(tolerance, unit);
      if (!pepTol.empty()) text.append(" ").append(pepTol);
    }
  }

  // Seq, Comp and Tag 1 to 20 in that order, from one walk over the keys.
  static constexpr std::string_view kPrefixes[] = {"Seq", "Comp", "Tag"};
  constexpr size_t kMax = 20;
  numberedKeys(q, kPrefixes, kMax, numbered_);
  std::sort(numbered_.begin(), numbered_.end(), [](const NumberedKey& a, const NumberedKey& b) {
    return a.index != b.index ? a.index < b.index : a.list < b.list;
  });
  for (const NumberedKey& k : numbered_) {
    mark = text.size();
    switch (k.list) {
      case 0:
        text += " seq(";
        break;
      case 1:
        text += " comp(";
        break;
      default: {
        // The kind of a tag is its value's first letter; only the text after
        // its first comma is shown.
        std::string tag;
        if (!appendLineValue(k.line, k.keyLength, tag)) continue;
        const size_t comma = tag.find(',');
        text += tag.front() == 'e' ? " etag(" : " tag(";
        if (comma != std::string::npos) text.append(tag, comma + 1);
        text += ")";
        continue;
      }
    }
    if (appendLineValue(k.line, k.keyLength, text)) {
      text += ")";
    } else {
      text.resize(mark);
    }
  }
  // A charge or a peak list of any series makes it a query; the peak lists
  // count only when "num_vals" is not 0, and only their first bytes are read.
  mark = text.size();
  if (appendValue(query, "charge", text)) {
    text.resize(mark);
    text.append(" query(").append(n).append(")");
  } else if (getQuerySectionValueInt(q, "num_vals") != 0 &&
             (hasQuerySectionValue(q, "Ions1") || hasQuerySectionValue(q, "Ions2") ||
              hasQuerySectionValue(q, "Ions3"))) {
    text.append(" query(").append(n).append(")");
  }
  return text;
}
