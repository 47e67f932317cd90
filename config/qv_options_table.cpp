// The keys of the Options section, in the order in which lines are tested,
// with the reading of each key's value and its rule for bad values.
#include <charconv>
#include <climits>
#include <cmath>
#include <sstream>

#include "config/config_messages.h"
#include "config/qv_options.h"
#include "config/config_scan.h"

namespace {

// One line being interpreted: the line, the text behind the key, and where
// messages go.
struct Line {
  std::string_view text;
  std::string_view behindKey;
  const std::string& fileName;
  qv_errors& errors;

  void warn() const { errors.setError(MSG_OPTIONS_BAD_LINE, fileName, std::string(text)); }
  /// The second word of the line as "%*s %..." sees it.
  std::string_view secondWord() const { return qv_scan::afterFirstWord(text); }
  /// Behind the key, spaces, tabs and colons skipped.
  std::string_view value() const { return qv_scan::skipChars(behindKey, " \t:"); }
};

// What the interpretation of a line asks of the caller: go on testing the
// later keys, or end the treatment of the line.
enum class Next { Continue, StopLine };

std::string joinInts(const std::vector<int>& v) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) s += (i ? "," : "") + std::to_string(v[i]);
  return s;
}

// The shortest text that reads back as the same double: the value as read.
std::string realText(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return ec == std::errc() ? std::string(text, end) : std::string();
}

// The same for a value read in single precision: the shortest text that
// reads back, as the reader reads it, to the same value.
std::string floatText(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, static_cast<float>(v));
  return ec == std::errc() ? std::string(text, end) : std::string();
}

// Flag: "%*s %d"; true for 1, false for any other number, `noNumber` without one.
void readFlag(bool& field, bool noNumber, const Line& l) {
  const std::optional<int> v = qv_scan::readInt(l.secondWord());
  field = v ? *v == 1 : noNumber;
}

// Int: "%*s %d"; without a number the value stays and the range check runs on it.
// Outside min..max the value becomes `fallback` (with a warning when `warn`).
void readIntRange(int& field, int min, int max, int fallback, bool warn, const Line& l) {
  if (const std::optional<int> v = qv_scan::readInt(l.secondWord())) field = *v;
  if (field < min || field > max) {
    field = fallback;
    if (warn) l.warn();
  }
}

void readIntPlain(int& field, const Line& l) {
  if (const std::optional<int> v = qv_scan::readInt(l.secondWord())) field = *v;
}

// Word: "%*s %s". With a default: an empty value restores it and warns.
void readWord(std::string& field, const char* defaultIfEmpty, const Line& l) {
  const std::optional<std::string> w = qv_scan::readWord(l.secondWord());
  if (w) {
    field = *w;
  } else if (defaultIfEmpty != nullptr) {
    field = defaultIfEmpty;
    l.warn();
  } else {
    field.clear();
  }
}

// Rest: behind the key, spaces, tabs and colons skipped, to the line end.
void readRest(std::string& field, const char* defaultIfEmpty, const Line& l) {
  field = std::string(l.value());
  if (field.empty() && defaultIfEmpty != nullptr) {
    field = defaultIfEmpty;
    l.warn();
  }
}

// Token: behind the key, spaces, tabs and colons skipped, up to the next one.
void readToken(std::string& field, const Line& l) {
  const std::string_view v = l.value();
  field = std::string(v.substr(0, std::min(v.size(), v.find_first_of(" \t:"))));
}

// Float: "%*s %f" starting from `noNumber`; `accept` decides whether the
// value replaces the field, else a warning and the field stays.
template <typename Accept>
void readFloatChecked(double& field, double noNumber, Accept accept, const Line& l) {
  const qv_scan::Real r = qv_scan::readFloat(l.secondWord());
  if (r.status == qv_scan::Real::NotFinite) {
    l.warn();
    return;
  }
  const double v = r.status == qv_scan::Real::Finite ? r.value : static_cast<double>(static_cast<float>(noNumber));
  if (accept(v)) {
    field = v;
  } else {
    l.warn();
  }
}

}  // namespace

struct qv_option_rules {
  using Apply = Next (*)(qv_options&, const Line&);
  using Dump = std::string (*)(const qv_options&);
  struct Row {
    const char* key;
    Apply apply;
    Dump dump;
  };
  static const Row rows[];

  static Next reportNumberChoices(qv_options& o, const Line& l);
  static Next reviewColWidths(qv_options& o, const Line& l);
  static Next getSeqBlastAccession(qv_options& o, const Line& l);
  static Next precursorCutOut(qv_options& o, const Line& l);
  static std::string blastText(const qv_options& o);
};

#define QV_FLAG(key, field, noNumber)                                                          \
  {key, [](qv_options& o, const Line& l) { readFlag(o.field, noNumber, l); return Next::Continue; }, \
   [](const qv_options& o) { return std::string(o.field ? "1" : "0"); }}
#define QV_WORD(key, field, def)                                                               \
  {key, [](qv_options& o, const Line& l) { readWord(o.field, def, l); return Next::Continue; },      \
   [](const qv_options& o) { return o.field; }}
#define QV_REST(key, field, def)                                                               \
  {key, [](qv_options& o, const Line& l) { readRest(o.field, def, l); return Next::Continue; },      \
   [](const qv_options& o) { return o.field; }}
#define QV_TOKEN(key, field)                                                                   \
  {key, [](qv_options& o, const Line& l) { readToken(o.field, l); return Next::Continue; },         \
   [](const qv_options& o) { return o.field; }}
#define QV_INT(key, field)                                                                     \
  {key, [](qv_options& o, const Line& l) { readIntPlain(o.field, l); return Next::Continue; },      \
   [](const qv_options& o) { return std::to_string(o.field); }}
#define QV_INT_RANGE(key, field, min, max, fallback, warn)                                     \
  {key,                                                                                        \
   [](qv_options& o, const Line& l) {                                                          \
     readIntRange(o.field, min, max, fallback, warn, l);                                       \
     return Next::Continue;                                                                    \
   },                                                                                          \
   [](const qv_options& o) { return std::to_string(o.field); }}

const qv_option_rules::Row qv_option_rules::rows[] = {
    QV_FLAG("SaveLastQueryAsc", saveLastQueryAsc_, false),
    QV_FLAG("SaveEveryLastQueryAsc", saveEveryLastQueryAsc_, true),
    QV_WORD("LastQueryAscFile", lastQueryAscFile_, "../logs/lastquery.asc"),
    QV_WORD("ErrorLogFile", errorLogFile_, QV_DEFAULT_ERROR_LOG_FILE),
    QV_WORD("SearchLogFile", searchLogFile_, "../logs/searches.log"),
    QV_WORD("MonitorLogFile", monitorLogFile_, QV_DEFAULT_MONITOR_LOG_FILE),
    QV_WORD("InterFileBasePath", interFileBasePath_, QV_DEFAULT_INTER_FILE_BASE_PATH),
    QV_WORD("InterFileRelPath", interFileRelPath_, "../data"),
    QV_WORD("TarnelCmdLine", tarnelCmdLine_, "../cgi/nph-tarnel.exe"),
    QV_WORD("TestDirectory", testDirectory_, "../data/test"),
    QV_WORD("TarnelControlFile", tarnelControlFile_, "../data/tarnel.control"),
    QV_WORD("TarnelNodeControlFile", tarnelNodeControlFile_, "../data/tarnelnode.control"),
    QV_WORD("TarnelJobIdFile", tarnelJobIdFile_, "../data/tarnel.job"),
    QV_WORD("GetSeqJobIdFile", getSeqJobIdFile_, "../data/getseq.job"),
    QV_INT_RANGE("UniqueJobStartNumber", uniqueJobStartNumber_, 0, INT_MAX, 1, true),
    QV_WORD("ResultsPerlScript", resultsPerlScript_, "../cgi/master_results.pl"),
    QV_WORD("NoResultsScript", noResultsScript_, "../cgi/master_results.pl"),
    QV_WORD("ResultsFullURL", resultsFullURL_, "http://www.example.com/cgi/master_results.pl"),
    QV_WORD("LogoImageFile", logoImageFile_, "../images/88x31_logo_white.gif"),
    QV_INT("MassDecimalPlaces", massDecimalPlaces_),
    QV_INT("IonsDecimalPlaces", ionsDecimalPlaces_),
    QV_INT("IntensitySigFigs", intensitySigFigs_),
    QV_FLAG("EmailUsersEnabled", emailUsersEnabled_, false),
    QV_FLAG("EmailErrorsEnabled", emailErrorsEnabled_, false),
    QV_INT_RANGE("MailTransport", mailTransport_, 0, 3, QV_DEFAULT_MAIL_TRANSPORT, true),
    QV_WORD("EmailService", emailService_, nullptr),
    QV_WORD("EmailPassword", emailPassword_, nullptr),
    QV_REST("EmailProfile", emailProfile_, nullptr),
    QV_WORD("sendmailPath", sendmailPath_, QV_DEFAULT_SENDMAIL_PATH),
    QV_WORD("EmailFromUser", emailFromUser_, nullptr),
    {"EmailFromTextName",
     [](qv_options& o, const Line& l) {
       // Blanks skipped, an opening quote skipped, at most 256 characters, and
       // a closing quote removed when the value was quoted.
       std::string_view v = qv_scan::skipChars(l.behindKey, " \t");
       const bool quoted = !v.empty() && (v[0] == '"' || v[0] == '\'');
       if (quoted) v.remove_prefix(1);
       v = v.substr(0, qv_options::kEmailFromTextNameMax);
       if (quoted && !v.empty() && (v.back() == '"' || v.back() == '\'')) v.remove_suffix(1);
       o.emailFromTextName_ = std::string(v);
       return Next::Continue;
     },
     [](const qv_options& o) { return o.emailFromTextName_; }},
    QV_INT_RANGE("EmailTimeOutPeriod", emailTimeOutPeriod_, 1, INT_MAX, 120, true),
    QV_INT_RANGE("MonitorEmailCheckFreq", monitorEmailCheckFreq_, 1, INT_MAX, 300, true),
    QV_WORD("MailTempFile", mailTempFile_, QV_DEFAULT_MAIL_TEMP_FILE),
    QV_WORD("ErrMessageEmailTo", errMessageEmailTo_, nullptr),
    QV_INT_RANGE("MonitorTestTimeout", monitorTestTimeout_, 1, INT_MAX, 1200, true),
    QV_REST("NTMonitorGroup", ntMonitorGroup_, QV_DEFAULT_NT_MONITOR_GROUP),
    QV_REST("NTIUserGroup", ntIUserGroup_, QV_DEFAULT_NT_IUSER_GROUP),
    QV_INT("UnixWebUserGroup", unixWebUserGroup_),
    QV_FLAG("ForkForUnixApache", forkForUnixApache_, false),
    QV_INT_RANGE("SeparateLockMem", separateLockMem_, 0, INT_MAX, 0, true),
    QV_WORD("FormVersion", formVersion_, "1.01"),
    {"MaxSequenceLen",
     [](qv_options& o, const Line& l) {
       readIntRange(o.maxSequenceLen_, 1, INT_MAX, 50000, true, l);
       o.maxNumPeptides_ = o.maxSequenceLen_ / 4;
       return Next::Continue;
     },
     [](const qv_options& o) { return std::to_string(o.maxSequenceLen_); }},
    QV_INT_RANGE("MaxConcurrentSearches", maxConcurrentSearches_, 1, INT_MAX, 10, true),
    QV_INT_RANGE("MaxSearchesPerUser", maxSearchesPerUser_, 0, INT_MAX, 0, true),
    {"CentroidWidth",
     [](qv_options& o, const Line& l) {
       readFloatChecked(o.centroidWidth_, 0.25, [](double v) { return v > 0 && v < 10; }, l);
       return Next::Continue;
     },
     [](const qv_options& o) { return floatText(o.centroidWidth_); }},
    QV_INT_RANGE("MaxDescriptionLen", maxDescriptionLen_, 1, INT_MAX, 100, true),
    {"MaxNumPeptides",
     [](qv_options& o, const Line& l) {
       readIntRange(o.maxNumPeptides_, 1, INT_MAX, o.maxSequenceLen_, true, l);
       return Next::Continue;
     },
     [](const qv_options& o) { return std::to_string(o.maxNumPeptides_); }},
    {"Vmemory",
     [](qv_options& o, const Line& l) {
       double v = static_cast<double>(o.vmemory_);
       readFloatChecked(v, -1, [](double x) { return x >= -1; }, l);
       // The number without its fraction, held within the 64-bit range.
       o.vmemory_ = v >= 9.2e18 ? INT64_MAX : static_cast<int64_t>(v);
       return Next::Continue;
     },
     [](const qv_options& o) { return std::to_string(o.vmemory_); }},
    {"ReportNumberChoices", &qv_option_rules::reportNumberChoices,
     [](const qv_options& o) { return joinInts(o.reportNumberChoices_); }},
    {"ReviewColWidths", &qv_option_rules::reviewColWidths,
     [](const qv_options& o) {
       return joinInts(std::vector<int>(o.reviewColWidths_.begin(), o.reviewColWidths_.end()));
     }},
    QV_WORD("proxy_server", proxyServer_, nullptr),
    QV_WORD("proxy_username", proxyUsername_, nullptr),
    QV_WORD("proxy_password", proxyPassword_, nullptr),
    QV_INT_RANGE("MinPepLenInPepSummary", minPepLenInPepSummary_, 1, 9, 5, false),
    QV_INT_RANGE("MaxQueries", maxQueries_, 10, INT_MAX, 10, false),
    QV_FLAG("ShowSubsets", showSubsets_, false),
    QV_FLAG("RequireBoldRed", requireBoldRed_, false),
    {"ScoreThresholdForAuto",
     [](qv_options& o, const Line& l) {
       readFloatChecked(o.scoreThresholdForAuto_, 0, [](double v) { return v >= 0; }, l);
       return Next::Continue;
     },
     [](const qv_options& o) { return floatText(o.scoreThresholdForAuto_); }},
    QV_INT_RANGE("ErrTolMaxAccessions", errTolMaxAccessions_, 0, INT_MAX, 0, true),
    {"IgnoreIonsScoreBelow",
     [](qv_options& o, const Line& l) {
       const qv_scan::Real r = qv_scan::readDouble(l.secondWord());
       if (r.status == qv_scan::Real::NotFinite) {
         l.warn();
       } else {
         if (r.status == qv_scan::Real::Finite) o.ignoreIonsScoreBelow_ = r.value;
         if (o.ignoreIonsScoreBelow_ < 0) {
           o.ignoreIonsScoreBelow_ = 0;
           l.warn();
         }
       }
       return Next::Continue;
     },
     [](const qv_options& o) { return realText(o.ignoreIonsScoreBelow_); }},
    QV_WORD("MonitorPidFile", monitorPidFile_, "../bin/monitor.pid"),
    QV_FLAG("StoreModPermutations", storeModPermutations_, true),
    QV_INT_RANGE("ProteinsInResultsFile", proteinsInResultsFile_, 1, 3, 2, true),
    QV_REST("TarnelMessage", tarnelMessage_, nullptr),
    QV_INT_RANGE("SplitNumberOfQueries", splitNumberOfQueries_, 1, INT_MAX, 1000, true),
    QV_INT_RANGE("SplitDataFileSize", splitDataFileSize_, 1, INT_MAX, 10000000, true),
    QV_FLAG("MoveOldDbToOldDir", moveOldDbToOldDir_, true),
    QV_FLAG("RemoveOldIndexFiles", removeOldIndexFiles_, true),
    QV_INT_RANGE("FeatureTableLength", featureTableLength_, 0, INT_MAX, 30000, true),
    {"FeatureTableMinScore",
     [](qv_options& o, const Line& l) {
       readFloatChecked(o.featureTableMinScore_, 13, [](double v) { return v > 0; }, l);
       return Next::Continue;
     },
     [](const qv_options& o) { return floatText(o.featureTableMinScore_); }},
    QV_TOKEN("ICATLight", icatLight_),
    QV_TOKEN("ICATHeavy", icatHeavy_),
    {"ICATFilter",
     [](qv_options& o, const Line& l) {
       readToken(o.icatFilter_, l);
       if (o.icatFilter_.empty()) {
         o.icatFilter_ = "C";
         l.errors.setError(MSG_EMPTY_ICAT_FILTER);
       }
       return Next::Continue;
     },
     [](const qv_options& o) { return o.icatFilter_; }},
    {"IgnoreDupeAccessions",
     [](qv_options& o, const Line& l) {
       o.ignoreDupeAccessions_.clear();
       for (std::string_view t : qv_scan::tokens(l.value(), " ,\t")) o.ignoreDupeAccessions_.emplace_back(t);
       return Next::Continue;
     },
     [](const qv_options& o) {
       std::string s;
       for (size_t i = 0; i < o.ignoreDupeAccessions_.size(); ++i) s += (i ? "," : "") + o.ignoreDupeAccessions_[i];
       return s;
     }},
    {"GetSeqBlastAccession", &qv_option_rules::getSeqBlastAccession, &qv_option_rules::blastText},
    QV_INT_RANGE("MinPeakIteration", minPeakIteration_, 1, 10, 1, true),
    QV_FLAG("EncryptURL", encryptURL_, false),
    {"UnixDirPerm",
     [](qv_options& o, const Line& l) {
       o.unixDirPerm_ = qv_scan::readOctal(l.secondWord()).value_or(0777);
       o.unixDirPermSpecified_ = true;
       return Next::Continue;
     },
     [](const qv_options& o) {
       std::ostringstream out;
       out << '0' << std::oct << o.unixDirPerm_;
       return out.str();
     }},
    {"Mudpit",
     [](qv_options& o, const Line& l) {
       if (const std::optional<int> v = qv_scan::readInt(l.secondWord())) {
         o.mudpit_ = *v;
       } else {
         l.warn();
       }
       return Next::Continue;
     },
     [](const qv_options& o) { return std::to_string(o.mudpit_); }},
    {"PrecursorCutOut", &qv_option_rules::precursorCutOut,
     [](const qv_options& o) { return realText(o.precursorCutOutLow_) + "," + realText(o.precursorCutOutHigh_); }},
    QV_FLAG("AutoSelectCharge", autoSelectCharge_, true),
    QV_TOKEN("TaxBrowserURL", taxBrowserURL_),
    {"MinPepLenInSearch",
     [](qv_options& o, const Line& l) {
       if (const std::optional<int> v = qv_scan::readInt(l.secondWord())) {
         o.minPepLenInSearch_ = *v;
       } else {
         o.minPepLenInSearch_ = 3;
         l.warn();
       }
       return Next::Continue;
     },
     [](const qv_options& o) { return std::to_string(o.minPepLenInSearch_); }},
};

Next qv_option_rules::reportNumberChoices(qv_options& o, const Line& l) {
  // The list is not cleared: a second line appends.
  for (std::string_view t : qv_scan::tokens(l.value(), " ,\t")) {
    if (t.size() >= 4 && qv_startsWithNoCase(t, "auto")) {
      o.reportNumberChoices_.push_back(-1);
    } else if (const std::optional<int> v = qv_scan::readInt(t)) {
      o.reportNumberChoices_.push_back(*v);
    } else {
      l.warn();
      return Next::StopLine;
    }
  }
  if (o.reportNumberChoices_.empty()) {
    l.warn();
    return Next::Continue;
  }
  for (int& v : o.reportNumberChoices_) {
    if (v < 1 && v != -1) {
      v = 10;
      l.warn();
      break;
    }
  }
  return Next::Continue;
}

Next qv_option_rules::reviewColWidths(qv_options& o, const Line& l) {
  o.reviewColWidths_ = qv_options().reviewColWidths_;
  bool bad = false;
  size_t i = 0;
  // Only spaces, commas and tabs separate: a colon is a token of its own,
  // a bad width.
  for (std::string_view t : qv_scan::tokens(l.behindKey, " ,\t")) {
    if (i >= o.reviewColWidths_.size()) break;
    const int v = qv_scan::readInt(t).value_or(0);
    if (v >= 2 && v <= 300) {
      o.reviewColWidths_[i] = v;
    } else {
      bad = true;
    }
    ++i;
  }
  if (bad) {
    l.warn();
    return Next::StopLine;
  }
  return Next::Continue;
}

Next qv_option_rules::getSeqBlastAccession(qv_options& o, const Line& l) {
  const std::string_view v = l.value();
  if (v.empty()) return Next::Continue;
  if (qv_startsWithNoCase(v, "REGEX")) {
    o.blastRegex_ = true;
    return Next::Continue;
  }
  o.blastRegex_ = false;
  // Each delimiter keeps at most 254 characters; a longer one is cut there
  // with a warning and the rest of the value is still read.
  auto keep = [&](std::string& field, std::string_view text) {
    if (text.size() > qv_options::kBlastDelimiterMax) {
      text = text.substr(0, qv_options::kBlastDelimiterMax);
      l.warn();
    }
    field = std::string(text);
  };
  constexpr std::string_view kSep = "),(";
  const size_t first = v.find(kSep);
  if (v[0] != '(' || first == std::string_view::npos) {
    l.warn();
    return Next::StopLine;
  }
  keep(o.blastDelimiter1_, v.substr(1, first - 1));
  const size_t secondStart = first + kSep.size();
  const size_t second = v.find(kSep, secondStart);
  if (second == std::string_view::npos) {
    l.warn();
    return Next::StopLine;
  }
  const size_t close = v.find(')', secondStart);
  keep(o.blastDelimiter2_, v.substr(secondStart, close - secondStart));
  const size_t countAt = second + kSep.size();
  if (countAt + 1 >= v.size() || v[countAt] < '0' || v[countAt] > '9' || v[countAt + 1] != ')') {
    l.warn();
    return Next::StopLine;
  }
  o.blastCount_ = v[countAt] - '0';
  return Next::Continue;
}

std::string qv_option_rules::blastText(const qv_options& o) {
  if (o.blastRegex_) return "REGEX";
  return "(" + o.blastDelimiter1_ + "),(" + o.blastDelimiter2_ + "),(" + std::to_string(o.blastCount_) + ")";
}

Next qv_option_rules::precursorCutOut(qv_options& o, const Line& l) {
  std::vector<double> values;
  bool unreadable = false;
  for (std::string_view t : qv_scan::tokens(l.value(), " ,\t")) {
    if (values.size() == 2) break;
    const qv_scan::Real r = qv_scan::readDouble(t);
    if (r.status != qv_scan::Real::Finite) {
      unreadable = true;
      break;
    }
    values.push_back(r.value);
  }
  o.precursorCutOutLow_ = -1;
  o.precursorCutOutHigh_ = -1;
  if (!unreadable && values.size() == 1 && std::fabs(values[0] + 1) <= 0.01) return Next::Continue;
  if (!unreadable && values.size() == 2 && values[1] >= values[0]) {
    o.precursorCutOutLow_ = values[0];
    o.precursorCutOutHigh_ = values[1];
    return Next::Continue;
  }
  l.warn();
  return Next::Continue;
}

void qv_options::applyLine(std::string_view line, const std::string& fileName, qv_errors& errors) {
  for (const qv_option_rules::Row& row : qv_option_rules::rows) {
    const std::string_view key = row.key;
    if (line.substr(0, key.size()) != key) continue;
    const Line l{line, line.substr(key.size()), fileName, errors};
    if (row.apply(*this, l) == Next::StopLine) break;
  }
}

std::vector<std::string_view> qv_options::keys() {
  std::vector<std::string_view> out;
  for (const qv_option_rules::Row& row : qv_option_rules::rows) out.emplace_back(row.key);
  return out;
}

std::string qv_options::valueText(std::string_view key) const {
  for (const qv_option_rules::Row& row : qv_option_rules::rows) {
    if (key == row.key) return row.dump(*this);
  }
  return {};
}
