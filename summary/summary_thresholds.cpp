// Score thresholds, expectation values and the companion values of a match.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

#include "results/peptide_companions.h"
#include "results/qv_searchparams.h"
#include "summary/qv_summary.h"

namespace {

int atLeastTen(int oneInX) { return oneInX < 10 ? 10 : oneInX; }

// Truncation towards zero that stays defined for any value a damaged file
// can give: beyond the int range it saturates, and NaN gives 0.
int truncated(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return INT_MAX;
  if (value <= -2147483648.0) return INT_MIN;
  return static_cast<int>(value);
}

int identityFromQmatch(double qmatch, int oneInX) {
  if (!(qmatch > 0)) return -1;
  return truncated(10 * std::log10(qmatch * atLeastTen(oneInX) * 0.05));
}

}  // namespace

// The per-query values are read in one pass over the summary section, in
// the order of the file, the first time one is needed: thresholds are asked
// for every query, and for every match of a report.
void qv_summary::readQueryScores() const {
  if (!qmatch_.empty()) return;
  qmatch_.assign(static_cast<size_t>(numQueries_) + 1, 0);
  qplughole_.assign(static_cast<size_t>(numQueries_) + 1, 0);
  qv_resultsfile::SectionCursor cursor = file_.sectionCursor(SEC_SUMMARY);
  std::string key;
  for (int q = 1; q <= numQueries_; ++q) {
    const std::string number = std::to_string(q);
    key.assign("qmatch").append(number);
    qmatch_[static_cast<size_t>(q)] = file_.valueDouble(cursor.find(key));
    key.assign("qplughole").append(number);
    qplughole_[static_cast<size_t>(q)] = file_.valueDouble(cursor.find(key));
  }
}

double qv_summary::qmatchOf(int q) const {
  if (q < 1 || q > numQueries_) return file_.getSectionValueDouble(SEC_SUMMARY, "qmatch" + std::to_string(q));
  readQueryScores();
  return qmatch_[static_cast<size_t>(q)];
}

double qv_summary::qplugholeOf(int q) const {
  if (q < 1 || q > numQueries_) return file_.getSectionValueDouble(SEC_SUMMARY, "qplughole" + std::to_string(q));
  readQueryScores();
  return qplughole_[static_cast<size_t>(q)];
}

int qv_summary::getPeptideIdentityThreshold(int q, int oneInX) const {
  return identityFromQmatch(qmatchOf(q), oneInX);
}

int qv_summary::identity20(int q) const {
  if (q < 1 || q > numQueries_) return getPeptideIdentityThreshold(q, 20);
  if (identity20_.empty()) identity20_.assign(static_cast<size_t>(numQueries_) + 1, INT_MIN);
  int& cached = identity20_[static_cast<size_t>(q)];
  if (cached == INT_MIN) cached = getPeptideIdentityThreshold(q, 20);
  return cached;
}

int qv_summary::referenceThreshold(int q) const {
  if (q < 1 || q > numQueries_) {
    int t = getHomologyThreshold(q, 20);
    return t != 0 ? t : getPeptideIdentityThreshold(q, 20);
  }
  if (reference20_.empty()) reference20_.assign(static_cast<size_t>(numQueries_) + 1, INT_MIN);
  int& cached = reference20_[static_cast<size_t>(q)];
  if (cached == INT_MIN) {
    cached = getHomologyThreshold(q, 20);
    if (cached == 0) cached = identity20(q);
  }
  return cached;
}

int qv_summary::getAvePeptideIdentityThreshold(int oneInX) const {
  if (!qmatchStatsKnown_) {
    double sum = 0;
    for (int q = 1; q <= numQueries_; ++q) {
      double qmatch = qmatchOf(q);
      if (!(qmatch > 0)) continue;
      sum += qmatch;
      maxQmatch_ = std::max(maxQmatch_, qmatch);
      ++positiveQmatches_;
    }
    meanQmatch_ = positiveQmatches_ > 0 ? sum / positiveQmatches_ : 0;
    qmatchStatsKnown_ = true;
  }
  return positiveQmatches_ > 0 ? identityFromQmatch(meanQmatch_, oneInX) : -1;
}

int qv_summary::getMaxPeptideIdentityThreshold(int oneInX) const {
  (void)getAvePeptideIdentityThreshold(oneInX);  // works out the largest qmatch
  if (numQueries_ < 1) return -1;
  // The threshold grows with qmatch, so the largest is that of the largest qmatch.
  return identityFromQmatch(maxQmatch_, oneInX);
}

int qv_summary::getProteinThreshold(int oneInX) const {
  double sequences = file_.getNumSeqsAfterTax();
  double value = sequences * atLeastTen(oneInX);
  if (!(value > 0)) return 0;  // no sequence count: the logarithm has no value
  return truncated(10 * std::log10(value));
}

int qv_summary::getHomologyThreshold(int q, int oneInX) const {
  if (homologyApplies_ < 0) homologyApplies_ = file_.getNumSeqsAfterTax() > 1000 && !file_.isErrorTolerant();
  if (homologyApplies_ == 0) return 0;
  double plughole = qplugholeOf(q);
  if (plughole > getPeptideIdentityThreshold(q, oneInX)) return 0;
  if (file_.hasQuerySectionValue(q, "Tag1") || file_.hasQuerySectionValue(q, "Etag1")) return 0;
  return truncated(plughole);
}

int qv_summary::getSingleQueryThreshold(int oneInX) const {
  if (numQueries_ != 1) return 0;
  int homology = getHomologyThreshold(1, oneInX);
  return homology > getProteinThreshold(oneInX) ? 0 : homology;
}

int64_t qv_summary::getOneInXFromScore(double score) const {
  if (!(score > 0)) return 1;
  double value = std::pow(10.0, score / 10);
  if (!(value < 9.2e18)) return INT64_MAX;
  return static_cast<int64_t>(value);
}

double qv_summary::getPeptideExpectationValue(double score, int q) const {
  double qmatch = qmatchOf(q);
  if (!(qmatch > 0)) return 0;
  if (!(score > 0)) return qmatch * 0.05;
  return qmatch * 0.05 / std::pow(10.0, score / 10);
}

double qv_summary::getInversePeptideExpectation(double score, int q) const {
  double e = getPeptideExpectationValue(score, q);
  return e == 0 ? 0 : 1 / e;
}

double qv_summary::getProteinExpectationValue(double score) const {
  double sequences = file_.getNumSeqsAfterTax();
  if (!(score > 0) || !(sequences > 0)) return 0;
  return sequences / std::pow(10.0, score / 10);
}

double qv_summary::getInverseProteinExpectation(double score) const {
  double sequences = file_.getNumSeqsAfterTax();
  if (!(sequences > 0)) return 0;  // no sequence count: avoid dividing by it
  return std::pow(10.0, score / 10) / sequences;
}

// ---- Companion values.

std::string qv_summary::getErrTolModString(int q, int p) const {
  return qv_getPeptideCompanion(source_, form_, q, p, "_et_mods");
}
std::string qv_summary::getErrTolModMasterString(int q, int p) const {
  return qv_getPeptideCompanion(source_, form_, q, p, "_et_mods_master");
}
std::string qv_summary::getErrTolModSlaveString(int q, int p) const {
  return qv_getPeptideCompanion(source_, form_, q, p, "_et_mods_slave");
}
std::string qv_summary::getErrTolModName(int q, int p) const { return qv_getErrTolMod(source_, form_, q, p).name; }
double qv_summary::getErrTolModDelta(int q, int p) const { return qv_getErrTolMod(source_, form_, q, p).delta; }
double qv_summary::getErrTolModSecondValue(int q, int p) const {
  return qv_getErrTolMod(source_, form_, q, p).secondValue;
}
std::vector<double> qv_summary::getErrTolModMasterValues(int q, int p) const {
  return qv_getErrTolModValues(source_, form_, q, p, true);
}
std::vector<double> qv_summary::getErrTolModSlaveValues(int q, int p) const {
  return qv_getErrTolModValues(source_, form_, q, p, false);
}
std::string qv_summary::getTagString(int q, int p) const {
  return qv_getPeptideCompanion(source_, form_, q, p, "_tag");
}
int qv_summary::getTagField2(int q, int p, int tag) const { return qv_getTagField(source_, form_, q, p, tag, 2); }
int qv_summary::getTagField3(int q, int p, int tag) const { return qv_getTagField(source_, form_, q, p, tag, 3); }
int qv_summary::getTagField4(int q, int p, int tag) const { return qv_getTagField(source_, form_, q, p, tag, 4); }
int qv_summary::getDeltaRangeStart(int q, int p) const { return qv_getDeltaRangeStart(source_, form_, q, p); }
int qv_summary::getDeltaRangeEnd(int q, int p) const { return qv_getDeltaRangeEnd(source_, form_, q, p); }
std::string qv_summary::getTerminalResiduesString(int q, int p) const {
  return qv_getPeptideCompanion(source_, form_, q, p, "_terms");
}

std::string qv_summary::getModificationText(int q, int p, int decimals) const {
  std::string text;
  auto add = [&text](const std::string& item) {
    if (!text.empty()) text += "; ";
    text += item;
  };
  if (const qv_match* m = matchAt(q, p)) {
    const std::string_view mods = modsOf(*m);
    std::string seen;
    for (char c : mods) {
      if (c <= '0' || c > '9' || seen.find(c) != std::string::npos) continue;
      seen += c;
      size_t count = static_cast<size_t>(std::count(mods.begin(), mods.end(), c));
      std::string name = file_.getSearchParameters().getVarModsName(c - '0');
      add(count > 1 ? std::to_string(count) + " " + name : name);
    }
  }
  qv_errtol_mod et = qv_getErrTolMod(source_, form_, q, p);
  if (!et.name.empty()) {
    char delta[64];
    std::snprintf(delta, sizeof delta, " [%+.*f]", std::clamp(decimals, 0, 10), et.delta);
    add(et.name + delta);
  }
  return text;
}
