// The engine's construction, protein scores and duplicates, the hit list and
// its numbering with the bold and red marks, and the protein lookups.
#include "summary/qv_summary.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/memory_advice.h"
#include "platform/threads.h"
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

}  // namespace

qv_summary::qv_summary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
                       const std::optional<std::string>& unigeneFile, std::string accessionFilter,
                       qv_peptide_form form, const qv_summary_tuning& tuning)
    : file_(file),
      tuning_(tuning),
      source_(file, form),
      flags_(flags),
      minProbability_(minProbability),
      maxHits_(maxHits),
      accessionFilter_(std::move(accessionFilter)),
      form_(form),
      refStore_(qv_ref_store::firstCapacityFor(file.getTextBytes())) {
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
  for (int code : countingCodes_) counting_[code] = true;
  for (int code : removedCodes_) removed_[code] = true;
}

qv_summary::~qv_summary() = default;

bool qv_summary::isCountingCode(int code) const {
  return std::find(countingCodes_.begin(), countingCodes_.end(), code) != countingCodes_.end();
}

bool qv_summary::isRemovedCode(int code) const {
  return std::find(removedCodes_.begin(), removedCodes_.end(), code) != removedCodes_.end();
}

qv_protein* qv_summary::findOrCreateProtein(std::string_view accession, double score, int hitNumber,
                                           bool mixture) {
  return findOrCreateProtein(accession, qv_string_pool::hashOf(accession), score, hitNumber, mixture);
}

qv_protein* qv_summary::findOrCreateProtein(std::string_view accession, uint64_t hash, double score, int hitNumber,
                                           bool mixture) {
  const uint32_t a = accessions_.intern(accession, hash);
  if (a >= proteinOfAccession_.size()) proteinOfAccession_.resize(a + 1, UINT32_MAX);
  uint32_t& id = proteinOfAccession_[a];
  if (id == UINT32_MAX) {
    id = static_cast<uint32_t>(byId_.size());
    owned_.push_back(std::make_unique<qv_protein>(matches_, refStore_, id, toleranceTerm_, std::string(accession),
                                                  score, hitNumber, mixture));
    byId_.push_back(owned_.back().get());
    sums_.emplace_back();
  }
  return byId_[id];
}

void qv_summary::reserveMatches(size_t count) {
  matches_.reserve(count);
  matchProteins_.reserve(count * 4);
  // Filled front to back: large pages spare a page fault per 4 KB, which
  // costs more than the filling itself.
  qv_platform::adviseLargePages(matches_.data(), matches_.capacity() * sizeof(qv_match));
  qv_platform::adviseLargePages(matchProteins_.data(), matchProteins_.capacity() * sizeof(uint32_t));
}

uint32_t qv_summary::addMatch(double ionsScore, int prettyRank, std::string_view sequence, uint64_t sequenceHash,
                              std::string_view mods, uint64_t modsHash, int q, int rank) {
  qv_match m;
  m.ionsScore = ionsScore;
  m.query = q;
  m.rank = rank;
  m.prettyRank = prettyRank;
  m.sequence = strings_.intern(sequence, sequenceHash);
  m.mods = strings_.intern(mods, modsHash);
  matches_.push_back(m);
  return static_cast<uint32_t>(matches_.size() - 1);
}

void qv_summary::addMatchProtein(uint32_t m, qv_protein* protein) {
  qv_match& match = matches_[m];
  if (match.proteinCount == 0) match.proteinsBegin = static_cast<uint32_t>(matchProteins_.size());
  if (match.proteinCount == UINT16_MAX) return;
  matchProteins_.push_back(protein->refs().owner());
  ++match.proteinCount;
}

std::unique_ptr<qv_peptide> qv_summary::makePeptide(uint32_t m) const {
  const qv_match& match = matches_[m];
  source_.setQuiet(true);
  std::unique_ptr<qv_peptide> peptide = rereadPeptide(match.query, match.rank);
  source_.setQuiet(false);
  if (!peptide) {  // the file no longer gives it: a peptide of the record's values
    qv_peptide::Values v;
    v.ionsScore = match.ionsScore;
    v.sequence = std::string(sequenceOf(match));
    v.varModsStr = std::string(modsOf(match));
    peptide = std::make_unique<qv_peptide>(match.query, match.rank, std::move(v), 0.0, -100);
  }
  peptide->setPrettyRank(match.prettyRank);
  peptide->setClaimingHit(match.claimingHit);
  for (uint32_t i = 0; i < match.proteinCount; ++i) peptide->addProtein(byId_[matchProteins_[match.proteinsBegin + i]]);
  return peptide;
}

bool qv_summary::getPeptideIonsScore(int q, int p, double& score) const {
  const qv_match* m = matchAt(q, p);
  if (m == nullptr) {
    const qv_peptide* none = nullptr;
    return getPeptide(q, p, none);  // records what it records
  }
  score = m->ionsScore;
  return true;
}

const qv_peptide* qv_summary::peptideOf(uint32_t m) const {
  auto [it, created] = peptides_.try_emplace(m);
  if (created) it->second = makePeptide(m);
  return it->second.get();
}

qv_grouping::Settings qv_summary::getGroupingSettings() const {
  qv_grouping::Settings settings;
  settings.matches = &matches_;
  settings.strings = &strings_;
  settings.refs = &refStore_;
  settings.minPeptideLength = minPeptideLength_;
  settings.byQuery = byQuery_;
  settings.limitWalk = limitsGroupingWalk();
  settings.maxHits = maxHits_;
  settings.twoPartsMinItems = tuning_.twoPartsMinItems;
  settings.minScore = minScore_;
  return settings;
}

qv_protein* qv_summary::getProtein(const std::string& accession) const {
  const uint32_t a = accessions_.find(accession);
  if (a >= proteinOfAccession_.size() || proteinOfAccession_[a] == UINT32_MAX) return nullptr;
  return byId_[proteinOfAccession_[a]];
}

// ---- Protein scores and duplicates.

// The duplicate-flag word of a reference compared with the one before it.
int qv_summary::duplicateFlags(const qv_protein& protein, const qv_peptide_ref& ref,
                               const qv_peptide_ref& before) const {
  const qv_match& a = protein.matchOf(ref);
  const qv_match& b = protein.matchOf(before);
  int flags = 0;
  if (a.query == b.query) flags |= 1;
  if (a.sequence == b.sequence) {
    flags |= 2;
    if (a.mods == b.mods) flags |= 4;
    if (ref.start == before.start && ref.end == before.end) flags |= 8;
  }
  return flags;
}

void qv_summary::scoreProtein(qv_protein& protein) {
  const bool grouping = (flags_ & FLAG_GROUP) != 0;
  qv_ref_list& refs = protein.refs();
  // Flags against the reference before (the last one kept); removal of the
  // codes in the removal list when grouping.
  size_t kept = 0;
  for (size_t i = 0; i < refs.size(); ++i) {
    qv_peptide_ref& ref = refs[i];
    if (kept > 0) {
      qv_peptide_ref& before = refs[kept - 1];
      ref.dupFlags = static_cast<int8_t>(duplicateFlags(protein, ref, before));
      if (grouping && isRemovedCode(ref.dupFlags)) continue;
      if (ref.dupFlags != 0) {
        if (before.dupStatus == qv_protein::DUP_NONE) before.dupStatus = qv_protein::DUP_HAS_DUPLICATES;
        ref.dupStatus = (ref.dupFlags & 1) != 0 ? qv_protein::DUP_SAME_QUERY : qv_protein::DUP_OTHER_QUERY;
      }
    }
    refs.moveTo(kept++, i);
  }
  refs.truncate(kept);

  double plain = 0, excess = 0, thresholds = 0;
  int counted = 0, queryMatches = 0;
  for (const qv_peptide_ref& ref : refs) {
    const double reduced = protein.reducedScoreOf(ref);
    if (isCountingCode(ref.dupFlags) && reduced >= 0) plain += reduced;
    const qv_match& m = protein.matchOf(ref);
    if (m.query != -1 && m.rank != -1 && ref.dupStatus != qv_protein::DUP_SAME_QUERY) ++queryMatches;
    int threshold = referenceThreshold(m.query);
    if (m.ionsScore >= threshold && ref.dupStatus != qv_protein::DUP_SAME_QUERY) {
      excess += m.ionsScore - threshold;
      thresholds += threshold;
      ++counted;
    }
  }
  finishScore(protein, plain, excess, thresholds, counted, queryMatches, false);
}

void qv_summary::finishScore(qv_protein& protein, double plain, double excess, double thresholds, int counted,
                             int queryMatches, bool knownSorted) {
  protein.setQueryMatchCount(queryMatches);
  const bool grouping = (flags_ & FLAG_GROUP) != 0;
  if (scoresFromPeptides()) {
    double score = plain;
    if (grouping && (flags_ & FLAG_THRESHOLD_SCORE) != 0) score = counted != 0 ? excess + thresholds / counted : excess;
    protein.setScore(score);
  }
  // Neither summary sets a sort score, so the references sort by query, then rank.
  auto before = [&protein](const qv_peptide_ref& a, const qv_peptide_ref& b) {
    const qv_match& x = protein.matchOf(a);
    const qv_match& y = protein.matchOf(b);
    if (x.query != y.query) return x.query < y.query;
    return x.rank < y.rank;
  };
  // The peptide summary adds references in that order already.
  qv_ref_list& refs = protein.refs();
  if (!knownSorted && !refs.isSortedBy(before)) refs.stableSortBy(before);
}

// The same scores for every protein in one walk over the reference store in
// the order references were added. Each protein's references are a rising
// run of the store until scoring changes them, so the reference before
// another of the same protein in the walk is the one before it in its list;
// walking the store and the match records front to back reads memory in
// order, where walking protein after protein jumps about the store for each
// reference. Gives what scoreProtein gives protein by protein (the tests
// compare both).
// Compares with what the protein's last kept reference left in its sums, so
// that the reference before (far away in the store when a protein has few
// references among many) is read only to mark it as having duplicates.
bool qv_summary::scoreEntry(uint32_t e) {
  const bool grouping = (flags_ & FLAG_GROUP) != 0;
  ScoreSums& s = sums_[refStore_.ownerOf(e)];
  qv_peptide_ref& ref = refStore_[e];
  const qv_match& m = matches_[ref.match];
  if (s.lastKept != UINT32_MAX) {
    int flags = 0;
    if (m.query == s.query) flags |= 1;
    if (m.sequence == s.sequence) {
      flags |= 2;
      if (m.mods == s.mods) flags |= 4;
      if (ref.start == s.start && ref.end == s.end) flags |= 8;
    }
    ref.dupFlags = static_cast<int8_t>(flags);
    if (grouping && removed_[flags]) return false;
    if (m.query < s.query || (m.query == s.query && m.rank < s.rank)) s.sorted = false;
    if (flags != 0) {
      if (!s.lastHasStatus) refStore_[s.lastKept].dupStatus = qv_protein::DUP_HAS_DUPLICATES;
      ref.dupStatus = (flags & 1) != 0 ? qv_protein::DUP_SAME_QUERY : qv_protein::DUP_OTHER_QUERY;
    }
  }
  s.lastKept = e;
  s.lastHasStatus = ref.dupStatus != qv_protein::DUP_NONE;
  s.query = m.query;
  s.rank = m.rank;
  s.sequence = m.sequence;
  s.mods = m.mods;
  s.start = ref.start;
  s.end = ref.end;
  const double reduced = qv_protein::reducedScore(m.ionsScore, ref.multiplicity, toleranceTerm_);
  if (counting_[ref.dupFlags & 15] && reduced >= 0) s.plain += reduced;
  if (m.query != -1 && m.rank != -1 && ref.dupStatus != qv_protein::DUP_SAME_QUERY) ++s.queryMatches;
  const int threshold = referenceThreshold(m.query);
  if (m.ionsScore >= threshold && ref.dupStatus != qv_protein::DUP_SAME_QUERY) {
    s.excess += m.ionsScore - threshold;
    s.thresholds += threshold;
    ++s.counted;
  }
  return true;
}

void qv_summary::addRefToStore(qv_protein* protein, const qv_peptide_ref& ref) {
  const uint32_t e = refStore_.add(ref, protein->refs().owner());
  storeOnlyRefs_ = true;
  if (!tuning_.scoresInStoreOrder) return;
  // Scored now, while its match is in the cache: what the walk over the
  // store would do for it when the summary is built.
  if (scoreEntry(e)) refStore_.setKept(e);
  scoredAsAdded_ = true;
}

void qv_summary::scoreProteinsInStoreOrder() {
  const size_t count = refStore_.size();
  if (!scoredAsAdded_) {
    sums_.assign(byId_.size(), ScoreSums());
    for (size_t e = 0; e < count; ++e) {
      if (e % 65536 == 65535) file_.keepAlive();
      if (scoreEntry(static_cast<uint32_t>(e))) refStore_.setKept(static_cast<uint32_t>(e));
    }
  }
  placeLists();
  for (size_t e = 0; e < count; ++e) {
    if (refStore_.kept(static_cast<uint32_t>(e)))
      byId_[refStore_.ownerOf(static_cast<uint32_t>(e))]->refs().append(static_cast<uint32_t>(e));
  }
  for (size_t id = 0; id < byId_.size(); ++id) {
    if (id % 100 == 99) file_.keepAlive();
    const ScoreSums& s = sums_[id];
    finishScore(*byId_[id], s.plain, s.excess, s.thresholds, s.counted, s.queryMatches, s.sorted);
  }
  sums_ = std::vector<ScoreSums>();
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

// Gives every list room for all the references its protein owns in the
// store, in one block (the counts are known now, so no list grows), and
// starts it empty.
void qv_summary::placeLists() {
  listRoom_.reset(new uint32_t[refStore_.size() + 1]);
  qv_platform::adviseLargePages(listRoom_.get(), refStore_.size() * sizeof(uint32_t));
  size_t at = 0;
  for (size_t id = 0; id < byId_.size(); ++id) {
    const size_t count = refStore_.countOf(static_cast<uint32_t>(id));
    byId_[id]->refs().place(listRoom_.get() + at, count);
    at += count;
  }
}

void qv_summary::buildSummary() {
  // Scores from one walk over the store when every list is still as its
  // references were added (always, unless a caller changed one), else
  // protein by protein.
  bool pristine = tuning_.scoresInStoreOrder;
  for (const qv_protein* protein : byId_) pristine = pristine && protein->refs().pristine();
  if (pristine) {
    scoreProteinsInStoreOrder();
  } else {
    if (storeOnlyRefs_) {  // the lists hold none of them yet
      placeLists();
      for (size_t e = 0; e < refStore_.size(); ++e)
        byId_[refStore_.ownerOf(static_cast<uint32_t>(e))]->refs().append(static_cast<uint32_t>(e));
    }
    int n = 0;
    for (qv_protein* protein : byId_) {
      scoreProtein(*protein);
      if (++n % 100 == 0) file_.keepAlive();
    }
  }
  order_ = byId_;
  if (minProbability_ > 0 && minProbability_ < 1)
    minScore_ = getProbabilityScoreCutoff(static_cast<int>(1 / minProbability_));
  else
    minScore_ = minProbability_;
  std::sort(order_.begin(), order_.end(), [this](const qv_protein* a, const qv_protein* b) { return comesBefore(a, b); });
  size_t walkEnd = order_.size();
  if ((flags_ & FLAG_GROUP) != 0) walkEnd = qv_grouping::groupProteins(order_, getGroupingSettings());
  numberHits(walkEnd);
}

// Claims are counted per query, so that "is any other rank of this query
// claimed" costs the same for ten ranks as for thousands of hits.
bool qv_summary::hasUnclaimedRankOne(const qv_protein& protein) const {
  for (const qv_peptide_ref& ref : protein.refs()) {
    const qv_match& m = protein.matchOf(ref);
    if (m.rank == 1 && m.claimingHit == 0 && claimed_[static_cast<size_t>(m.query)] == 0) return true;
  }
  return false;
}

// Claims the references [begin, end) of a hit's list for it.
void qv_summary::claimPeptides(qv_protein& protein, int hitNumber, size_t begin, size_t end) {
  qv_ref_list& refs = protein.refs();
  // The references and their match records lie scattered: each is asked for
  // well before it is used.
  constexpr size_t kAhead = 16;
  for (size_t i = begin; i < end; ++i) {
    if (i + kAhead < end) refs.prefetch(i + kAhead);
    if (i + kAhead / 2 < end) __builtin_prefetch(&matches_[refs[i + kAhead / 2].match]);
    qv_peptide_ref& ref = refs[i];
    qv_match& m = matches_[ref.match];
    const size_t q = static_cast<size_t>(m.query);
    const bool unclaimed = m.claimingHit == 0;
    bool red = unclaimed && m.prettyRank == 1;
    bool bold = unclaimed;
    if (unclaimed) {
      m.claimingHit = hitNumber;
      ++claimed_[q];
      if (m.prettyRank == 1) ++claimedTop_[q];
    }
    // The other ranks of the query: this match is claimed now in any case.
    if (claimed_[q] > 1) bold = false;
    if (claimedTop_[q] > (m.prettyRank == 1 ? 1 : 0)) red = false;
    ref.bold = bold;
    ref.red = red;
  }
}

// A claim reads and writes only what belongs to the query of its match (the
// match record, the query's counts) and its own reference, so the claims of
// the low queries and those of the high ones are independent: each half of
// the queries is claimed, hit after hit, on a thread of its own. A list is
// sorted by query, so each hit's references split in two runs.
void qv_summary::claimHits() {
  size_t total = 0;
  for (const qv_protein* hit : hits_) total += hit->refs().size();
  const int32_t middle = numQueries_ / 2 + 1;  // the first query of the upper half
  std::vector<size_t> split(hits_.size());
  const bool twoParts = total >= tuning_.twoPartsMinItems && numQueries_ >= 2;
  for (size_t k = 0; k < hits_.size(); ++k) {
    const qv_ref_list& refs = hits_[k]->refs();
    size_t lo = 0, hi = twoParts ? refs.size() : 0;
    while (lo < hi) {
      const size_t mid = lo + (hi - lo) / 2;
      if (matches_[refs[mid].match].query < middle)
        lo = mid + 1;
      else
        hi = mid;
    }
    split[k] = lo;
  }
  const auto lower = [&] {
    for (size_t k = 0; k < hits_.size(); ++k) claimPeptides(*hits_[k], static_cast<int>(k) + 1, 0, split[k]);
  };
  const auto upper = [&] {
    for (size_t k = 0; k < hits_.size(); ++k)
      claimPeptides(*hits_[k], static_cast<int>(k) + 1, split[k], hits_[k]->refs().size());
  };
  if (twoParts) {
    qv_platform::runSideBySide(lower, upper);
  } else {
    upper();  // every split is 0: the whole lists
  }
}

void qv_summary::numberHits(size_t walkEnd) {
  claimed_.assign(static_cast<size_t>(numQueries_) + 1, 0);
  claimedTop_.assign(static_cast<size_t>(numQueries_) + 1, 0);
  const bool needsRed = (flags_ & FLAG_NEEDS_RED) != 0 && form_ == qv_peptide_form::QUERY_RANK;
  for (size_t i = 0; i < walkEnd; ++i) {
    qv_protein& protein = *order_[i];
    if ((flags_ & FLAG_ALL_PROTEINS) == 0 && protein.getStatus() != qv_protein::INDEPENDENT) continue;
    int n = static_cast<int>(hits_.size()) + 1;
    if (qv_grouping::stopsAt(n, protein.getScore(), maxHits_, minScore_)) break;
    // Whether a protein has an unclaimed peptide depends on the claims of
    // the hits before it: those are made as the hits are numbered.
    if (needsRed && !hasUnclaimedRankOne(protein)) continue;
    if (form_ == qv_peptide_form::QUERY_RANK) protein.setHitNumber(n);
    if (needsRed) claimPeptides(protein, n, 0, protein.refs().size());
    hits_.push_back(&protein);
    if (n <= kAlwaysNumbered) table_[n - 1] = protein.getScore();
  }
  // Otherwise the hits do not depend on the claims, which are made after.
  if (!needsRed) claimHits();
}

qv_protein* qv_summary::getHit(int n) const {
  if (n < 1 || n > getNumberOfHits()) return nullptr;
  return hits_[static_cast<size_t>(n - 1)];
}

int qv_summary::getNumberOfHits() const { return static_cast<int>(hits_.size()); }

const std::vector<qv_protein*>* qv_summary::groupedUnder(int n) const {
  const qv_protein* hit = getHit(n);
  if (hit == nullptr) return nullptr;
  if (!groupsKnown_) {  // one walk, so that listing every group costs no more than the hit list
    for (qv_protein* p : order_)
      if (p->getStatus() != qv_protein::INDEPENDENT) groups_[p->getGroupLeaderAccession()].push_back(p);
    groupsKnown_ = true;
  }
  auto it = groups_.find(hit->getAccession());
  return it == groups_.end() ? nullptr : &it->second;
}

int qv_summary::getNumberOfGroupedProteins(int n) const {
  const std::vector<qv_protein*>* list = groupedUnder(n);
  return list == nullptr ? 0 : static_cast<int>(list->size());
}

qv_protein* qv_summary::getGroupedProtein(int n, int i) const {
  const std::vector<qv_protein*>* list = groupedUnder(n);
  if (list == nullptr || i < 1 || i > static_cast<int>(list->size())) return nullptr;
  return (*list)[static_cast<size_t>(i - 1)];
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
