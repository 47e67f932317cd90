#include "results/peptide_companions.h"

#include <optional>

#include "results/peptide_fields.h"
#include "results/value_parse.h"

namespace {

constexpr int kErrMalformedErrorTolerant = 15;
constexpr int kErrMalformedTag = 26;
constexpr int kErrMalformedDeltaRange = 27;

}  // namespace

std::string qv_getPeptideCompanion(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit,
                                   std::string_view suffix) {
  std::string key = qv_peptideKey(form, q, rankOrHit);
  key += suffix;
  return source.getValue(key);
}

int qv_parseTagField(const qv_peptide_source& errors, std::string_view value, int tagNumber, int field) {
  if (field < 2 || field > 4) return -1;
  size_t itemStart = 0;
  while (itemStart < value.size()) {
    size_t itemEnd = value.find(',', itemStart);
    if (itemEnd == std::string_view::npos) itemEnd = value.size();
    std::string_view item = value.substr(itemStart, itemEnd - itemStart);
    int numbers[4] = {0, 0, 0, 0};
    bool wellFormed = true;
    size_t at = 0;
    for (int i = 0; i < 4 && wellFormed; ++i) {
      size_t colon = i < 3 ? item.find(':', at) : item.size();
      if (colon == std::string_view::npos) {
        wellFormed = false;
        break;
      }
      std::string_view part = item.substr(at, colon - at);
      wellFormed = qv_results::isWholeInteger(part);
      if (wellFormed) numbers[i] = qv_results::leadingInt(part);
      at = colon + 1;
    }
    if (!wellFormed) {
      errors.recordError(kErrMalformedTag, {value.substr(itemStart)});
    } else if (numbers[0] == tagNumber) {
      return numbers[field - 1];
    }
    itemStart = itemEnd + 1;
  }
  return -1;
}

int qv_parseDeltaRange(const qv_peptide_source& errors, std::string_view value, bool second) {
  if (value.empty()) return -1;
  std::string_view part = value;
  if (second) {
    size_t comma = value.find(',');
    part = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
  }
  std::optional<int> number = qv_results::readInteger(part);
  if (!number) {
    errors.recordError(kErrMalformedDeltaRange, {value});
    return -1;
  }
  return *number;
}

qv_errtol_mod qv_parseErrTolMod(const qv_peptide_source& errors, std::string_view value) {
  qv_errtol_mod mod;
  if (value.empty()) return mod;
  size_t first = value.find(',');
  size_t second = first == std::string_view::npos ? first : value.find(',', first + 1);
  if (second == std::string_view::npos) {
    errors.recordError(kErrMalformedErrorTolerant, {value});
    return mod;
  }
  mod.delta = qv_results::leadingDouble(value.substr(0, first));
  mod.secondValue = qv_results::leadingDouble(value.substr(first + 1, second - first - 1));
  mod.name = value.substr(second + 1);
  return mod;
}

std::vector<double> qv_parseErrTolModValues(const qv_peptide_source& errors, std::string_view value) {
  std::vector<double> values;
  if (value.empty()) return values;
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    if (comma == std::string_view::npos) comma = value.size();
    std::string_view item = value.substr(start, comma - start);
    bool blank = item.find_first_not_of(" \t") == std::string_view::npos;
    if (blank) {
      errors.recordError(kErrMalformedErrorTolerant, {value});
    } else {
      values.push_back(qv_results::leadingDouble(item));
    }
    start = comma + 1;
  }
  return values;
}

int qv_getTagField(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit, int tagNumber,
                   int field) {
  std::string value = qv_getPeptideCompanion(source, form, q, rankOrHit, "_tag");
  return qv_parseTagField(source, value, tagNumber, field);
}

int qv_getDeltaRangeStart(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit) {
  return qv_parseDeltaRange(source, qv_getPeptideCompanion(source, form, q, rankOrHit, "_drange"), false);
}

int qv_getDeltaRangeEnd(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit) {
  return qv_parseDeltaRange(source, qv_getPeptideCompanion(source, form, q, rankOrHit, "_drange"), true);
}

qv_errtol_mod qv_getErrTolMod(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit) {
  return qv_parseErrTolMod(source, qv_getPeptideCompanion(source, form, q, rankOrHit, "_et_mods"));
}

std::vector<double> qv_getErrTolModValues(const qv_peptide_source& source, qv_peptide_form form, int q, int rankOrHit,
                                          bool master) {
  std::string value = qv_getPeptideCompanion(source, form, q, rankOrHit, master ? "_et_mods_master" : "_et_mods_slave");
  return qv_parseErrTolModValues(source, value);
}
