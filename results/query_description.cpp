#include "results/query_description.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "platform/ascii.h"
#include "results/qv_inputquery.h"

namespace qv_results {
namespace {

// The number after `prefix` in `key` (any letter case), without leading
// zeros and at most `maxIndex`; 0 when the key is not the prefix and such
// a number.
size_t numberAfter(std::string_view key, std::string_view prefix, size_t maxIndex) {
  if (key.size() <= prefix.size() || key.size() > prefix.size() + 9) return 0;
  if (!qv_platform::startsWithIgnoringAsciiCase(key, prefix)) return 0;
  if (key[prefix.size()] < '1' || key[prefix.size()] > '9') return 0;
  size_t index = 0;
  for (size_t k = prefix.size(); k < key.size(); ++k) {
    if (key[k] < '0' || key[k] > '9') return 0;
    index = index * 10 + static_cast<size_t>(key[k] - '0');
  }
  return index <= maxIndex ? index : 0;
}

}  // namespace

void findNumberedValues(const qv_resultsfile& file, int q, std::span<const std::string_view> prefixes,
                        size_t maxIndex, std::vector<NumberedValue>& out) {
  out.clear();
  file.forEachQueryKey(q, [&](std::string_view key) {
    if (key.empty()) return;
    const char first = qv_platform::asciiUpper(key[0]);
    for (size_t p = 0; p < prefixes.size(); ++p) {
      // The first letter first: most keys differ from the prefix there.
      if (prefixes[p].empty() || qv_platform::asciiUpper(prefixes[p][0]) != first) continue;
      const size_t index = numberAfter(key, prefixes[p], maxIndex);
      if (index == 0) continue;
      const qv_valueref value = file.valueOfKey(key);
      if (value.found()) out.push_back({p, index, value});
      return;
    }
  });
}

std::string describeQuery(const qv_resultsfile& file, int q) {
  if (q < 1 || q > file.getNumQueries()) {
    file.setError(qv_resultsfile::ERR_QUERY_OUT_OF_RANGE, "getObservedMass", q, file.getNumQueries());
    return {};
  }
  char number[16];
  const std::string_view n(number, static_cast<size_t>(std::to_chars(number, number + sizeof number, q).ptr - number));
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
  qv_valueref summary[3];
  file.findSectionValues(SEC_SUMMARY, keys, summary);
  std::string text;
  text.reserve(160);
  // Appends open + value + close, or nothing when the value is absent.
  const auto wrapped = [&](std::string_view open, const qv_valueref& value, std::string_view close) {
    const size_t mark = text.size();
    text += open;
    if (file.appendValue(value, text)) {
      text += close;
    } else {
      text.resize(mark);
    }
  };
  (void)file.appendValue(summary[0], text);
  text += " from(";
  (void)file.appendValue(summary[1], text);
  text += ") ";
  wrapped(" intensity(", summary[2], ") ");
  // A decoded title is empty exactly when the title is.
  wrapped(" title(", file.findQueryValue(q, "title"), ") ");
  if (const qv_valueref pepTol = file.findQueryValue(q, "PepTol"); pepTol.found()) {
    double tolerance = 0;
    std::string unit;
    qv_inputquery::splitPepTol(file.valueText(pepTol), tolerance, unit);
    const std::string shown = qv_inputquery::pepTolText(tolerance, unit);
    if (!shown.empty()) text.append(" ").append(shown);
  }

  // Seq, Comp and Tag 1 to 20 in that order, from one walk over the keys.
  static constexpr std::string_view kPrefixes[] = {"Seq", "Comp", "Tag"};
  constexpr size_t kMax = 20;
  thread_local std::vector<NumberedValue> qualifiers;
  findNumberedValues(file, q, kPrefixes, kMax, qualifiers);
  std::sort(qualifiers.begin(), qualifiers.end(), [](const NumberedValue& a, const NumberedValue& b) {
    return a.index != b.index ? a.index < b.index : a.prefix < b.prefix;
  });
  for (const NumberedValue& k : qualifiers) {
    if (k.prefix == 0) {
      wrapped(" seq(", k.value, ")");
    } else if (k.prefix == 1) {
      wrapped(" comp(", k.value, ")");
    } else {
      // The kind of a tag is its value's first letter; only the text after
      // its first comma is shown.
      const std::string tag = file.valueText(k.value);
      if (tag.empty()) continue;
      const size_t comma = tag.find(',');
      text += tag.front() == 'e' ? " etag(" : " tag(";
      if (comma != std::string::npos) text.append(tag, comma + 1);
      text += ")";
    }
  }
  // A charge or a peak list of any series makes it a query; the peak lists
  // count only when "num_vals" is not 0, and only their first bytes are read.
  if (file.findQueryValue(q, "charge").found() ||
      (file.getQuerySectionValueInt(q, "num_vals") != 0 &&
       (file.hasQuerySectionValue(q, "Ions1") || file.hasQuerySectionValue(q, "Ions2") ||
        file.hasQuerySectionValue(q, "Ions3")))) {
    text.append(" query(").append(n).append(")");
  }
  return text;
}

}  // namespace qv_results
