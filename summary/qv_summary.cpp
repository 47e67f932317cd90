// The engine's construction, protein scores and duplicates, the hit list and
// its numbering with the bold and red marks, and the protein lookups.
#include "summary/qv_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "summary/accession_order.h"
#include "results/qv_searchparams.h"
#include "summary/summary_grouping.h"

namespace {

// The flag bits that add a code to the counting list (first table) and to
// the removal list (second table), with their codes.
struct CodeBit {
  uint32_t bit;
  int code;
};
constexpr CodeBit kCountingBits[] = {{0x2000, 7},   {0x4000, 11},   {0x8000, 3},    {0x10000, 1},  {0x20000, 14},
                                     {0x40000, 6},  {0x80000, 10},  {0x100000, 2},  {0x200000, 0}};
constexpr CodeBit kRemovalBits[] = {{0x800000, 7},   {0x1000000, 11},  {0x2000000, 3},
                                    {0x4000000, 1},  {0x8000000, 14},  {0x10000000, 6},
                                    {0x20000000, 10}, {0x40000000, 2},  {0x80000000, 0}};

// The duplicate-flag word of a reference compared with the one before it.
int duplicateFlags(const qv_peptide_ref& ref, const qv_peptide_ref& before) {
  int flags = 0;
  if (ref.query == before.query) flags |= 1;
  const std::string& seq = ref.peptide->getPeptideStr();
  if (seq == before.peptide->getPeptideStr()) {
    flags |= 2;
    if (ref.peptide->getVarModsStr() == before.peptide->getVarModsStr()) flags |= 4;
    if (ref.start == before.start && ref.end == before.end) flags |= 8;
  }
  return flags;
}

}  // namespace

qv_summary::qv_summary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
                       const std::optional<std::string>& unigeneFile, std::string accessionFilter,
                       qv_peptide_form form)
    : file_(file),
      source_(file, form),
      flags_(flags),
      minProbability_(minProbability),
      maxHits_(maxHits),
      accessionFilter_(std::move(accessionFilter)),
      form_(form) {
  // No gene-cluster index is read by this program: a file name that is given
  // is reported and the summary goes on without it.
  if (unigeneFile.has_value()) file_.setError(qv_resultsfile::ERR_UNIGENE_FILE, *unigeneFile);
  const std::string& version = file_.getVersion();
  if (version.rfind("1.00", 0) == 0 || version.rfind("1.01", 0) == 0) {
    file_.setError(qv_resultsfile::ERR_UNSUPPORTED_VERSION, version);
    unsupported_ = true;
  }
  numQueries_ = std::max(0, file_.getNumQueries());
  double itol = file_.getSearchParameters().getITOL();
  toleranceTerm_ = std::sqrt(itol * itol + 0.0625);
  std::fill(std::begin(table_), std::end(table_), -1.0);
  countingCodes_.push_back(0);
  for (const CodeBit& b : kCountingBits)
    if ((flags_ & b.bit) != 0) countingCodes_.push_back(b.code);
  for (const CodeBit& b : kRemovalBits)
    if ((flags_ & b.bit) != 0) removedCodes_.push_back(b.code);
  if ((flags_ & 0xFFC00000u) == 0) removedCodes_ = {7, 1};
}

qv_summary::~qv_summary() = default;

bool qv_summary::isCountingCode(int code) const {
  return std::find(countingCodes_.begin(), countingCodes_.end(), code) != countingCodes_.end();
}

bool qv_summary::isRemovedCode(int code) const {
  return std::find(removedCodes_.begin(), removedCodes_.end(), code) != removedCodes_.end();
}

double qv_summary::reducedScore(double ionsScore, int multiplicity) const {
  if (toleranceTerm_ > 0 && multiplicity >= 1) return ionsScore - 10 * std::log10(multiplicity) * toleranceTerm_;
  return ionsScore;
}

qv_protein* qv_summary::findOrCreateProtein(const std::string& accession, double score, int hitNumber,
                                           bool mixture) {
  if (lastProtein_ != nullptr && lastProtein_->getAccession() == accession) return lastProtein_;
  auto [it, created] = proteins_.try_emplace(accession);
  if (created) it->second = std::make_unique<qv_protein>(accession, score, hitNumber, mixture);
  lastProtein_ = it->second.get();
  return lastProtein_;
}

qv_protein* qv_summary::getProtein(const std::string& accession) const {
  auto it = proteins_.find(accession);
  return it == proteins_.end() ? nullptr : it->second.get();
}

// ---- Protein scores and duplicates.

void qv_summary::scoreProtein(qv_protein& protein) {
  const bool grouping = (flags_ & FLAG_GROUP) != 0;
  std::vector<qv_peptide_ref>& refs = protein.refs();
  // Flags against the reference before (the last one kept); removal of the
  // codes in the removal list when grouping.
  size_t kept = 0;
  for (size_t i = 0; i < refs.size(); ++i) {
    qv_peptide_ref ref = refs[i];
    if (kept > 0) {
      qv_peptide_ref& before = refs[kept - 1];
      ref.dupFlags = duplicateFlags(ref, before);
      if (grouping && isRemovedCode(ref.dupFlags)) continue;
      if (ref.dupFlags != 0) {
        if (before.dupStatus == qv_protein::DUP_NONE) before.dupStatus = qv_protein::DUP_HAS_DUPLICATES;
        ref.dupStatus = (ref.dupFlags & 1) != 0 ? qv_protein::DUP_SAME_QUERY : qv_protein::DUP_OTHER_QUERY;
      }
    }
    refs[kept++] = ref;
  }
  refs.resize(kept);

  double plain = 0, excess = 0, thresholds = 0;
  int counted = 0;
  for (const qv_peptide_ref& ref : refs) {
    if (isCountingCode(ref.dupFlags) && ref.reducedScore >= 0) plain += ref.reducedScore;
    int threshold = referenceThreshold(ref.query);
    if (ref.ionsScore >= threshold && ref.dupStatus != qv_protein::DUP_SAME_QUERY) {
      excess += ref.ionsScore - threshold;
      thresholds += threshold;
      ++counted;
    }
  }
  if (scoresFromPeptides()) {
    double score = plain;
    if (grouping && (flags_ & FLAG_THRESHOLD_SCORE) != 0) score = counted != 0 ? excess + thresholds / counted : excess;
    protein.setScore(score);
  }
  std::stable_sort(refs.begin(), refs.end(), [](const qv_peptide_ref& a, const qv_peptide_ref& b) {
    if (a.sortScore != 0 && b.sortScore != 0 && a.sortScore != b.sortScore) return a.sortScore > b.sortScore;
    if (a.query != b.query) return a.query < b.query;
    return a.rank < b.rank;
  });
}

// ---- The hit list.

bool qv_summary::comesBefore(const qv_protein* a, const qv_protein* b) const {
  if (hitOrder_) {
    if (a->isMixture() != b->isMixture()) return a->isMixture();
    return a->getHitNumber() < b->getHitNumber();
  }
  if (a->getScore() != b->getScore()) return a->getScore() > b->getScore();
  if (a->getSecondScore() != b->getSecondScore()) return a->getSecondScore() > b->getSecondScore();
  return qv_compareAccessions(a->getAccession(), b->getAccession()) < 0;
}

void qv_summary::buildSummary() {
  int n = 0;
  order_.reserve(proteins_.size());
  for (auto& [accession, protein] : proteins_) {
    scoreProtein(*protein);
    order_.push_back(protein.get());
    if (++n % 100 == 0) file_.keepAlive();
  }
  if (minProbability_ > 0 && minProbability_ < 1)
    minScore_ = getProbabilityScoreCutoff(static_cast<int>(1 / minProbability_));
  else
    minScore_ = minProbability_;
  std::sort(order_.begin(), order_.end(), [this](const qv_protein* a, const qv_protein* b) { return comesBefore(a, b); });
  size_t walkEnd = order_.size();
  if ((flags_ & FLAG_GROUP) != 0) {
    qv_grouping::Settings settings;
    settings.minPeptideLength = minPeptideLength_;
    settings.byQuery = byQuery_;
    settings.limitWalk = limitsGroupingWalk();
    settings.maxHits = maxHits_;
    settings.minScore = minScore_;
    walkEnd = qv_grouping::groupProteins(order_, settings);
  }
  numberHits(walkEnd);
}

bool qv_summary::hasUnclaimedRankOne(const qv_protein& protein, std::vector<qv_peptide*>& scratch) const {
  for (const qv_peptide_ref& ref : protein.refs()) {
    if (ref.rank != 1 || ref.peptide->getClaimingHit() != 0) continue;
    peptidesOfQuery(ref.query, scratch);
    bool free = true;
    for (const qv_peptide* other : scratch)
      if (other->getClaimingHit() != 0) free = false;
    if (free) return true;
  }
  return false;
}

void qv_summary::claimPeptides(qv_protein& protein, int hitNumber, std::vector<qv_peptide*>& scratch) {
  for (qv_peptide_ref& ref : protein.refs()) {
    qv_peptide* p = ref.peptide;
    bool unclaimed = p->getClaimingHit() == 0;
    bool red = unclaimed && p->getPrettyRank() == 1;
    bool bold = unclaimed;
    if (unclaimed) p->setClaimingHit(hitNumber);
    peptidesOfQuery(ref.query, scratch);
    for (const qv_peptide* other : scratch) {
      if (other == p || other->getClaimingHit() == 0) continue;
      bold = false;
      if (other->getPrettyRank() == 1) red = false;
    }
    ref.bold = bold;
    ref.red = red;
  }
}

void qv_summary::numberHits(size_t walkEnd) {
  std::vector<qv_peptide*> scratch;
  const bool needsRed = (flags_ & FLAG_NEEDS_RED) != 0 && form_ == qv_peptide_form::QUERY_RANK;
  for (size_t i = 0; i < walkEnd; ++i) {
    qv_protein& protein = *order_[i];
    if ((flags_ & FLAG_ALL_PROTEINS) == 0 && protein.getStatus() != qv_protein::INDEPENDENT) continue;
    int n = static_cast<int>(hits_.size()) + 1;
    if (qv_grouping::stopsAt(n, protein.getScore(), maxHits_, minScore_)) break;
    if (needsRed && !hasUnclaimedRankOne(protein, scratch)) continue;
    if (form_ == qv_peptide_form::QUERY_RANK) protein.setHitNumber(n);
    claimPeptides(protein, n, scratch);
    hits_.push_back(&protein);
    if (n <= kAlwaysNumbered) table_[n - 1] = protein.getScore();
  }
}

qv_protein* qv_summary::getHit(int n) const {
  if (n < 1 || n > getNumberOfHits()) return nullptr;
  return hits_[static_cast<size_t>(n - 1)];
}

int qv_summary::getNumberOfHits() const { return static_cast<int>(hits_.size()); }

int qv_summary::getNumberOfGroupedProteins(int n) const {
  const qv_protein* hit = getHit(n);
  if (hit == nullptr) return 0;
  int count = 0;
  for (const qv_protein* p : order_)
    if (p->getStatus() != qv_protein::INDEPENDENT && p->getGroupLeaderAccession() == hit->getAccession()) ++count;
  return count;
}

qv_protein* qv_summary::getGroupedProtein(int n, int i) const {
  const qv_protein* hit = getHit(n);
  if (hit == nullptr || i < 1) return nullptr;
  for (qv_protein* p : order_)
    if (p->getStatus() != qv_protein::INDEPENDENT && p->getGroupLeaderAccession() == hit->getAccession() && --i == 0)
      return p;
  return nullptr;
}

double qv_summary::getHitTableValue(int n) const {
  if (n < 1 || n > kAlwaysNumbered) return -1.0;
  return table_[n - 1];
}

// ---- Proteins of the file.

int qv_summary::readableHits() const {
  return std::max(0, std::min(file_.getNumHits(), file_.getNumberOfSectionKeys(SEC_SUMMARY)));
}

double qv_summary::getProteinMass(const std::string& accession) const {
  std::string value = file_.getSectionValueStr(SEC_PROTEINS, "\"" + accession + "\"");
  if (!value.empty()) return std::strtod(value.c_str(), nullptr);
  const std::string needle = accession + ",";
  const int hits = readableHits();
  for (int h = 1; h <= hits; ++h) {
    std::string line = file_.getSectionValueStr(SEC_SUMMARY, "h" + std::to_string(h));
    if (line.find(needle) == std::string::npos) continue;
    size_t at = 0;
    for (int field = 1; field < 4 && at != std::string::npos; ++field) {
      at = line.find(',', at);
      if (at != std::string::npos) ++at;
    }
    return at == std::string::npos ? 0.0 : std::strtod(line.c_str() + at, nullptr);
  }
  return 0.0;
}

int qv_summary::textHitNumber(const std::string& accession) const {
  const int hits = readableHits();
  for (int h = 1; h <= hits; ++h) {
    std::string line = file_.getSectionValueStr(SEC_SUMMARY, "h" + std::to_string(h));
    if (line.compare(0, line.find(','), accession) == 0 && line.find(',') != std::string::npos) return h;
  }
  return 0;
}

std::string qv_summary::getProteinDescription(const std::string& accession) const {
  const qv_protein* protein = getProtein(accession);
  if (protein != nullptr && protein->isMixture()) {
    std::string text = "Mixture from proteins:";
    for (int i = 1; i <= protein->getNumComponents(); ++i) {
      if (i > 1) text += ',';
      text += '"' + protein->getComponent(i)->getAccession() + '"';
    }
    return text;
  }
  std::string value = file_.getSectionValueStr(SEC_PROTEINS, "\"" + accession + "\"");
  if (!value.empty()) {
    size_t comma = value.find(',');
    std::string text = comma == std::string::npos ? std::string() : value.substr(comma + 1);
    if (!text.empty() && text.front() == '"') text.erase(0, 1);
    if (!text.empty() && text.back() == '"') text.pop_back();
    return text;
  }
  int h = textHitNumber(accession);
  return h > 0 ? file_.getSectionValueStr(SEC_SUMMARY, "h" + std::to_string(h) + "_text") : std::string();
}
