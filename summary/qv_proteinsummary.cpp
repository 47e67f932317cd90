#include "summary/qv_proteinsummary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "results/peptide_scan.h"
#include "results/peptide_string.h"

namespace {

// The number written at the start of `s` (decimal digits, no leading zero,
// at least 1); 0 when there is none. `used` gets the digits' count.
int64_t readKeyNumber(std::string_view s, size_t& used) {
  used = 0;
  if (s.empty() || s[0] < '1' || s[0] > '9') return 0;
  int64_t n = 0;
  while (used < s.size() && s[used] >= '0' && s[used] <= '9') {
    n = n * 10 + (s[used] - '0');
    if (n > INT32_MAX) return 0;
    ++used;
  }
  return n;
}

// Splits "h<h>_q<q>" (letters in either case, as keys compare); false for any other key.
bool parseMatchKey(std::string_view key, int& h, int& q) {
  if (key.size() < 5 || (key[0] != 'h' && key[0] != 'H')) return false;
  size_t used = 0;
  int64_t hit = readKeyNumber(key.substr(1), used);
  if (hit == 0) return false;
  key.remove_prefix(1 + used);
  if (key.size() < 3 || key[0] != '_' || (key[1] != 'q' && key[1] != 'Q')) return false;
  int64_t query = readKeyNumber(key.substr(2), used);
  if (query == 0 || 2 + used != key.size()) return false;
  h = static_cast<int>(hit);
  q = static_cast<int>(query);
  return true;
}

}  // namespace

qv_proteinsummary::qv_proteinsummary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
                                     const std::optional<std::string>& unigeneFile,
                                     const std::optional<std::string>& hitFilter, const qv_summary_tuning& tuning)
    : qv_summary(file, flags, minProbability, maxHits, unigeneFile, std::string(), qv_peptide_form::HIT_QUERY,
                 tuning),
      hitCursor_(file.sectionCursor(SEC_SUMMARY)) {
  noMatch_ = std::make_unique<qv_peptide>(qv_peptide::noMatch(0, 0, 0, 0));
  if (isUnsupportedVersion()) return;
  setHitOrder();
  if (!file_.anyMSMS() && !file_.anySeq() && !file_.anyTag()) setCompareByQuery();
  numHits_ = readableHits();
  if (hitFilter.has_value() && !hitFilter->empty()) hitFilter_ = std::atoi(hitFilter->c_str());
  findMatchKeys();
  source_.setSkipPeptideExtras(true);
  for (int h = 1; h <= numHits_; ++h) readHit(h);
  source_.setSkipPeptideExtras(false);
  if ((flags_ & FLAG_NO_MIXTURES) == 0) readMixtures();
  buildSummary();
}

qv_proteinsummary::~qv_proteinsummary() = default;

// Lists the matches of every hit from the keys of the summary section, so
// that a hit costs its own matches rather than one look-up per query.
void qv_proteinsummary::findMatchKeys() {
  queriesOfHit_.assign(static_cast<size_t>(numHits_) + 1, {});
  // In any order: each hit's list is sorted below.
  file_.forEachSectionKey(SEC_SUMMARY, [this](std::string_view key) {
    int h = 0, q = 0;
    if (parseMatchKey(key, h, q) && h <= numHits_ && q <= numQueries_)
      queriesOfHit_[static_cast<size_t>(h)].push_back(q);
  });
  for (std::vector<int>& list : queriesOfHit_) std::sort(list.begin(), list.end());
}

void qv_proteinsummary::readHit(int h) {
  const std::string hitKey = "h" + std::to_string(h);
  std::string line = file_.getSectionValueStr(SEC_SUMMARY, hitKey);
  if (line.empty()) {
    file_.setError(qv_resultsfile::ERR_HIT_NOT_IN_SUMMARY, h);
    return;
  }
  size_t comma = line.find(',');
  size_t first = line.find_first_not_of(" \t");
  std::string accession = line.substr(first == std::string::npos ? line.size() : first,
                                      comma == std::string::npos ? std::string::npos : comma - first);
  if (comma == std::string::npos) {
    file_.setError(qv_resultsfile::ERR_PARSE_PROTEIN_HIT, "score", h);
    return;
  }
  if (accession.empty()) file_.setError(qv_resultsfile::ERR_NULL_ACCESSION_SUMMARY, h);
  double score = std::strtod(line.c_str() + comma + 1, nullptr);
  if (hitFilter_ != 0 && hitFilter_ != h) return;  // its matches read as "no match"
  qv_protein* protein = findOrCreateProtein(accession, score, h, false);
  // A hit without a frame line has frame 0, as the matches of the peptides section do.
  int frame = file_.getSectionValueStr(SEC_SUMMARY, hitKey + "_frame").empty()
                  ? 0
                  : file_.getSectionValueInt(SEC_SUMMARY, hitKey + "_frame");
  int done = 0;
  for (int q : queriesOfHit_[static_cast<size_t>(h)]) {
    if (++done % 600 == 0) file_.keepAlive();
    if (table_.count(slot(h, q)) != 0) continue;  // a second hit line of the same number adds nothing
    qv_peptide_ref ref;
    uint32_t m = 0;
    bool noMatch = false;
    if (!readMatchFast(h, q, m, noMatch, ref)) {
      qv_hit_query_read read = qv_readHitQueryPeptide(source_, h, q);
      if (!read.peptide) continue;
      m = addMatch(*read.peptide, q, h);
      noMatch = read.peptide->isNoMatch();
      ref.start = read.start;
      ref.end = read.end;
      ref.multiplicity = read.multiplicity;
      ref.residueBefore = read.residueBefore;
      ref.residueAfter = read.residueAfter;
    } else if (m == UINT32_MAX) {
      continue;  // nothing written for this match
    }
    table_.emplace(slot(h, q), m);
    if (noMatch) continue;
    ref.match = m;
    ref.frame = frame;
    protein->addRef(ref);
  }
}

// Match (h, q) read by the fast readers through the hits' cursor, as the
// full reader would read it (which records nothing for what they accept):
// true with its record m (UINT32_MAX when nothing is written for it), or
// false, having read nothing, when the full reader must read it.
bool qv_proteinsummary::readMatchFast(int h, int q, uint32_t& m, bool& noMatch, qv_peptide_ref& ref) {
  if (q < 1 || q > numQueries_) return false;  // the full reader records the query's range
  char key[48];
  const size_t length = qv_formatPeptideKey(key, qv_peptide_form::HIT_QUERY, q, h);
  char* at = key + length;
  const qv_valueref value = hitCursor_.find(std::string_view(key, length));
  if (value.where == qv_valueref::ABSENT) {
    m = UINT32_MAX;
    return true;
  }
  qv_hit_query_scan scan;
  if (value.where != qv_valueref::IN_MEMORY || !qv_scanHitQueryValue(value.text, scan)) return false;
  if (value.text != "-1") {  // the no-match value has no companions
    std::memcpy(at, "_terms", 6);
    const qv_valueref terms = hitCursor_.find(std::string_view(key, length + 6));
    if (terms.where == qv_valueref::ON_DISK || !qv_scanFirstTerms(terms.text, ref.residueBefore, ref.residueAfter))
      return false;
  }
  // As making the peptide would: a query without its "qexp" line is recorded.
  (void)source_.getObservedMass(q);
  (void)source_.getObservedCharge(q);
  m = addMatch(scan.ionsScore, h, scan.sequence, scan.varMods, q, h);
  noMatch = scan.noMatch;
  ref.start = scan.start;
  ref.end = scan.end;
  ref.multiplicity = scan.multiplicity;
  return true;
}

void qv_proteinsummary::readMixtures() {
  // A count beyond the section's lines cannot be honoured: each mixture needs its own.
  const int lines = file_.getNumberOfSectionKeys(SEC_MIXTURE);
  const int count = std::min(file_.getSectionValueInt(SEC_MIXTURE, "num_hits"), lines);
  for (int n = 1; n <= count; ++n) {
    const std::string base = "h" + std::to_string(n);
    double score = file_.getSectionValueDouble(SEC_MIXTURE, base + "_score");
    if (!(score > 0)) continue;
    const std::string name = "Mixture " + std::to_string(n);
    if (getProtein(name) != nullptr) continue;  // a hit of that name is already there
    const int count = std::min(file_.getSectionValueInt(SEC_MIXTURE, base + "_numprot"), lines);
    std::vector<qv_protein*> components;
    for (int j = 1; j <= count; ++j) {
      qv_protein* component = getProtein(file_.getSectionValueStr(SEC_MIXTURE, base + "_m" + std::to_string(j)));
      if (component != nullptr && !component->isMixture()) components.push_back(component);
    }
    // A mixture none of whose proteins is in the summary (all filtered out
    // by the hit filter, or named wrongly) would be an empty hit.
    if (components.empty()) continue;
    qv_protein* mixture = findOrCreateProtein(name, score, n, true);
    for (qv_protein* component : components) {
      component->setComponent();
      mixture->addComponent(component);
      for (const qv_peptide_ref& ref : component->refs()) mixture->addRef(ref);
    }
  }
}

int64_t qv_proteinsummary::matchNumber(int q, int h) const {
  if (q < 1 || q > numQueries_ || h < 1 || h > numHits_ || filteredOut(h)) return -1;
  auto it = table_.find(slot(h, q));
  return it == table_.end() ? int64_t{-1} : static_cast<int64_t>(it->second);
}

const qv_match* qv_proteinsummary::matchAt(int q, int h) const {
  int64_t m = matchNumber(q, h);
  return m < 0 ? nullptr : &matchRecord(static_cast<uint32_t>(m));
}

std::unique_ptr<qv_peptide> qv_proteinsummary::rereadPeptide(int q, int h) const {
  return qv_readHitQueryPeptide(source_, h, q).peptide;
}

bool qv_proteinsummary::getPeptide(int q, int h, const qv_peptide*& result) const {
  result = nullptr;
  if (q >= 1 && q <= numQueries_ && h >= 1 && h <= numHits_ && filteredOut(h)) {
    result = noMatch_.get();
  } else {
    int64_t m = matchNumber(q, h);
    if (m >= 0) result = peptideOf(static_cast<uint32_t>(m));
  }
  if (result == nullptr) file_.setError(qv_resultsfile::ERR_NO_PEPTIDE, q, h, "qv_proteinsummary::getPeptide");
  return result != nullptr;
}

std::optional<qv_peptide> qv_proteinsummary::getPeptideCopy(int q, int h) const {
  // Made afresh and not kept, like the peptide summary's copies.
  const int64_t m = matchNumber(q, h);
  if (m >= 0) return std::optional<qv_peptide>(std::move(*makePeptide(static_cast<uint32_t>(m))));
  const qv_peptide* peptide = nullptr;
  if (!getPeptide(q, h, peptide)) return std::nullopt;  // error 6
  return *peptide;  // the built-in "no match" peptide of a filtered-out hit
}

int qv_proteinsummary::getProbabilityScoreCutoff(int oneInX) const { return getProteinThreshold(oneInX); }

std::string qv_proteinsummary::getProteinListText(int /*q*/, int h, bool quoted) const {
  // A match of hit h belongs to that hit's protein alone.
  std::string text;
  if (h < 1 || h > numHits_ || (hitFilter_ != 0 && h != hitFilter_)) return text;
  for (const qv_protein* protein : getOrderedProteins()) {
    if (protein->isMixture() || protein->getHitNumber() != h) continue;
    text += std::to_string(h) + ":";
    text += quoted ? '"' + protein->getAccession() + "\" " : protein->getAccession() + "  ";
    break;
  }
  return text;
}

int qv_proteinsummary::textHitNumber(const std::string& accession) const {
  const qv_protein* protein = getProtein(accession);
  if (protein != nullptr && !protein->isMixture()) return protein->getHitNumber();
  return qv_summary::textHitNumber(accession);
}
