#include "results/qv_inputquery.h"

#include <cstdio>

#include "platform/ascii.h"
#include "results/qv_resultsfile.h"
#include "results/value_parse.h"

namespace {

// The first digit of an escape in a title is taken in upper case only, the
// second in either case.
int firstHexDigitValue(char c) { return qv_platform::isAsciiLower(c) ? -1 : qv_platform::hexDigitValue(c); }

const std::string kEmpty;

}  // namespace

qv_inputquery::qv_inputquery(const qv_resultsfile& file, int q) : file_(&file), q_(q) {
  rawTitle_ = file.getQuerySectionValueStr(q, "title");
  title_ = decodeTitle(rawTitle_);
  charge_ = file.getQuerySectionValueStr(q, "charge");
  massMin_ = file.getQuerySectionValueDouble(q, "mass_min");
  massMax_ = file.getQuerySectionValueDouble(q, "mass_max");
  intMin_ = file.getQuerySectionValueDouble(q, "int_min");
  intMax_ = file.getQuerySectionValueDouble(q, "int_max");
  numVals_ = file.getQuerySectionValueInt(q, "num_vals");
  numUsed_ = file.getQuerySectionValueInt(q, "num_used");
  seq_.resize(kQualifiers);
  comp_.resize(kQualifiers);
  tag_.resize(kQualifiers);
  file.getQuerySectionNumberedValues(q, {{"Seq", &seq_}, {"Comp", &comp_}, {"Tag", &tag_}});
  splitPepTol(file.getQuerySectionValueStr(q, "PepTol"), pepTol_, pepTolUnits_);
}

void qv_inputquery::splitPepTol(const std::string& value, double& tolerance, std::string& unit) {
  const size_t comma = value.find(',');
  tolerance = qv_results::leadingDouble(value);
  unit = comma == std::string::npos ? std::string() : value.substr(comma + 1);
}

const std::string& qv_inputquery::getIonsString(int series) const {
  if (series < 1 || series > 3 || numVals_ == 0) return kEmpty;
  const size_t s = static_cast<size_t>(series - 1);
  if (!ionsRead_[s]) {
    ions_[s] = file_->getQuerySectionValueStr(q_, "Ions" + std::to_string(series));
    ionsRead_[s] = true;
  }
  return ions_[s];
}

bool qv_inputquery::hasIons(int series) const {
  if (series < 1 || series > 3 || numVals_ == 0) return false;
  const size_t s = static_cast<size_t>(series - 1);
  if (ionsRead_[s]) return !ions_[s].empty();
  return file_->hasQuerySectionValue(q_, "Ions" + std::to_string(series));
}

std::vector<std::pair<double, double>> qv_inputquery::getIons(int series) const {
  return parsePeakList(getIonsString(series));
}

std::vector<std::pair<double, double>> qv_inputquery::parsePeakList(const std::string& text) {
  std::vector<std::pair<double, double>> peaks;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t comma = text.find(',', pos);
    if (comma == std::string::npos) comma = text.size();
    const std::string_view item(text.data() + pos, comma - pos);
    const size_t colon = item.find(':');
    if (colon != std::string_view::npos) {
      peaks.emplace_back(qv_results::leadingDouble(item.substr(0, colon)),
                         qv_results::leadingDouble(item.substr(colon + 1)));
    }
    pos = comma + 1;
  }
  return peaks;
}

std::string qv_inputquery::decodeTitle(const std::string& title) {
  std::string out;
  out.reserve(title.size());
  for (size_t i = 0; i < title.size(); ++i) {
    const int hi = title[i] == '%' && i + 2 < title.size() ? firstHexDigitValue(title[i + 1]) : -1;
    const int lo = hi >= 0 ? qv_platform::hexDigitValue(title[i + 2]) : -1;
    if (lo >= 0) {
      out.push_back(static_cast<char>(hi * 16 + lo));
      i += 2;
    } else {
      out.push_back(title[i]);
    }
  }
  return out;
}

const std::string& qv_inputquery::getSeq(int i) const {
  return i >= 1 && i <= kQualifiers ? seq_[static_cast<size_t>(i - 1)] : kEmpty;
}

const std::string& qv_inputquery::getComp(int i) const {
  return i >= 1 && i <= kQualifiers ? comp_[static_cast<size_t>(i - 1)] : kEmpty;
}

const std::string& qv_inputquery::getTag(int i) const {
  return i >= 1 && i <= kQualifiers ? tag_[static_cast<size_t>(i - 1)] : kEmpty;
}

bool qv_inputquery::isErrorTolerantTag(int i) const {
  const std::string& tag = getTag(i);
  return !tag.empty() && tag.front() == 'e';
}

std::string qv_inputquery::getTagString(int i) const {
  const std::string& tag = getTag(i);
  const size_t comma = tag.find(',');
  return comma == std::string::npos ? std::string() : tag.substr(comma + 1);
}

std::string qv_inputquery::getPepTolString() const { return pepTolText(pepTol_, pepTolUnits_); }

std::string qv_inputquery::pepTolText(double tolerance, const std::string& unit) {
  if (tolerance == 0) return {};
  char buf[400];
  std::snprintf(buf, sizeof(buf), "%.20f", tolerance);
  std::string number(buf);
  if (number.find('.') != std::string::npos) {
    while (number.back() == '0') number.pop_back();
  }
  return "peptol(" + number + "," + unit + ")";
}
