#include "summary/qv_peptidesummary.h"

#include <cmath>
#include <cstring>
#include <span>

#include "platform/file_io.h"
#include "platform/memory_advice.h"
#include "results/peptide_scan.h"
#include "summary/match_read_ahead.h"
#include "results/peptide_string.h"
#include "results/qv_searchparams.h"

qv_peptidesummary::qv_peptidesummary(const qv_resultsfile& file, uint32_t flags, double minProbability,
                                     int maxHits, const std::optional<std::string>& unigeneFile,
                                     double ionsScoreCutoff, int minPeptideLength,
                                     const std::optional<std::string>& accessionFilter,
                                     const qv_summary_tuning& tuning)
    : qv_summary(file, flags, minProbability, maxHits, unigeneFile, accessionFilter.value_or(std::string()),
                 qv_peptide_form::QUERY_RANK, tuning),
      ionsScoreCutoff_(ionsScoreCutoff),
      errorTolerant_(file.isErrorTolerant()) {
  setMinPeptideLength(minPeptideLength);
  // Advised before it is written, so that large pages back it from the start.
  table_.reserve((static_cast<size_t>(numQueries_) + 1) * (kMaxRank + 1));
  qv_platform::adviseLargePages(table_.data(), table_.capacity() * sizeof(uint32_t));
  table_.resize((static_cast<size_t>(numQueries_) + 1) * (kMaxRank + 1));
  reserveMatches(static_cast<size_t>(numQueries_) * kMaxRank);
  source_.setSkipPeptideExtras(true);
  readMatches();
  source_.setSkipPeptideExtras(false);
  buildSummary();
}

qv_peptidesummary::~qv_peptidesummary() = default;

double qv_peptidesummary::getIonsScoreCutoff(int q) const {
  if (ionsScoreCutoff_ > 0 && ionsScoreCutoff_ < 1)
    return getPeptideIdentityThreshold(q, static_cast<int>(1 / ionsScoreCutoff_));
  return ionsScoreCutoff_;
}

// A big search's matches are found and split on a second thread while this
// one takes them in order; a small one is read here, match by match, the
// same way.
void qv_peptidesummary::readMatches() {
  if (numQueries_ >= tuning_.readAheadMinQueries) {
    qv_match_read_ahead ahead(file_, numQueries_, kMaxRank);
    while (const qv_match_read_ahead::Batch* batch = ahead.next()) {
      for (int q = batch->firstQuery; q < batch->endQuery; ++q) {
        if (q % 100 == 0) file_.keepAlive();
        const size_t index = static_cast<size_t>(q - batch->firstQuery);
        const double cutoff = getIonsScoreCutoff(q);
        for (uint32_t i = batch->queryBegin[index]; i < batch->queryBegin[index + 1]; ++i) {
          // What a match a few ahead will look up is asked for now: the
          // pools of a big search are probed at random.
          if (i + 8 < batch->matches.size()) {
            const qv_pre_read_match& ahead = batch->matches[i + 8];
            prefetchText(ahead.sequenceHash);
            if (ahead.proteinCount > 0) prefetchProtein(batch->proteins.hashes[ahead.proteinsBegin]);
          }
          takeMatch(q, cutoff, batch->matches[i], batch->proteins);
        }
      }
    }
    return;
  }
  qv_resultsfile::SectionCursor cursor = file_.sectionCursor(SEC_PEPTIDES);
  qv_pre_read_match match;
  for (int q = 1; q <= numQueries_; ++q) {
    if (q % 100 == 0) file_.keepAlive();
    const double cutoff = getIonsScoreCutoff(q);
    for (int p = 1; p <= kMaxRank; ++p) {
      listScan_.clear();
      qv_preReadMatch(cursor, q, p, match, listScan_);
      takeMatch(q, cutoff, match, listScan_);
    }
  }
}

// A match read by the fast readers is taken as they split it; anything else
// is read again by the full reader, which records its problems. Both give
// the same values.
void qv_peptidesummary::takeMatch(int q, double cutoff, const qv_pre_read_match& match,
                                  const qv_pre_read_proteins& proteins) {
  if (!match.value.found()) return;  // nothing written at this rank
  const int p = match.rank;
  qv_query_rank_scan scan = match.scan;
  std::unique_ptr<qv_peptide> slowPeptide;
  std::string slowList;
  if (match.fast) {
    (void)source_.getObservedCharge(q);  // as making the peptide would: a missing "qexp" line is recorded
  } else {
    qv_query_rank_read read = qv_readQueryRankPeptide(source_, q, p);
    if (!read.peptide) return;
    slowPeptide = std::move(read.peptide);
    slowList = std::move(read.proteinList);
    scan.noMatch = slowPeptide->isNoMatch();
    scan.ionsScore = slowPeptide->getIonsScore();
    scan.sequence = slowPeptide->getPeptideStr();
    scan.varMods = slowPeptide->getVarModsStr();
    scan.proteinList = slowList;
  }
  // Equal scores share the lowest rank among them.
  int prettyRank = p;
  if (p > 1) {
    const qv_match* before = matchAt(q, p - 1);
    if (before != nullptr && scan.ionsScore != 0 && scan.ionsScore >= before->ionsScore)
      prettyRank = before->prettyRank;
  }
  const uint32_t m = match.fast ? addMatch(scan.ionsScore, prettyRank, scan.sequence, match.sequenceHash, scan.varMods,
                                          match.modsHash, q, p)
                               : addMatch(scan.ionsScore, prettyRank, scan.sequence, scan.varMods, q, p);
  table_[slot(q, p)] = m + 1;
  if (scan.noMatch || !(scan.ionsScore > cutoff)) return;
  if ((flags_ & FLAG_ERROR_TOLERANT) != 0 && errorTolerant_ && !passesParentCheck(q, scan.ionsScore)) return;
  if (qv_proteinListIsBlank(scan.proteinList)) return;
  const qv_protein_scan* begin = proteins.scans.data() + match.proteinsBegin;
  const qv_protein_scan* end = begin + match.proteinCount;
  const uint64_t* hashes = proteins.hashes.data() + match.proteinsBegin;
  std::vector<qv_protein_reference> slowRefs;
  std::vector<qv_protein_scan> slowScans;
  std::vector<uint64_t> slowHashes;
  if (!match.listFast) {
    slowRefs = qv_readProteinList(source_, q, p, scan.proteinList);
    for (const qv_protein_reference& r : slowRefs) {
      slowScans.push_back({r.accession, r.frame, r.start, r.end, r.multiplicity, r.residueBefore, r.residueAfter});
      slowHashes.push_back(qv_string_pool::hashOf(r.accession));
    }
    begin = slowScans.data();
    end = begin + slowScans.size();
    hashes = slowHashes.data();
  }
  for (const qv_protein_scan* r = begin; r != end; ++r) {
    if (!accessionFilter_.empty() && r->accession != accessionFilter_) continue;
    qv_protein* protein = findOrCreateProtein(r->accession, hashes[r - begin], 0, 0, false);
    qv_peptide_ref ref;
    ref.match = m;
    ref.start = r->start;
    ref.end = r->end;
    ref.multiplicity = r->multiplicity;
    ref.frame = r->frame;
    ref.residueBefore = r->residueBefore;
    ref.residueAfter = r->residueAfter;
    addRefToStore(protein, ref);
    addMatchProtein(m, protein);
  }
}

const qv_match* qv_peptidesummary::matchAt(int q, int p) const {
  if (q < 1 || q > numQueries_ || p < 1 || p > kMaxRank) return nullptr;
  const uint32_t m = table_[slot(q, p)];
  return m == 0 ? nullptr : &matchRecord(m - 1);
}

uint32_t qv_peptidesummary::matchRanks(int q) const {
  uint32_t ranks = 0;
  for (int p = 1; p <= kMaxRank; ++p)
    if (table_[slot(q, p)] != 0) ranks |= uint32_t{1} << p;
  return ranks;
}

// The match re-read is made into the peptide, with the values the full
// reader would give; anything the fast reader refused goes to the full
// reader. Quiet either way: the match was read once already.
std::unique_ptr<qv_peptide> qv_peptidesummary::rereadPeptide(int q, int p) const {
  if (q < 1 || q > numQueries_ || p < 1 || p > kMaxRank) return qv_readQueryRankPeptide(source_, q, p).peptide;
  if (!rereader_)
    rereader_ = std::make_unique<qv_match_rereader>(file_, numQueries_, kMaxRank, numQueries_ >= tuning_.readAheadMinQueries,
                                                    [this](int query) { return matchRanks(query); }, tuning_.rereadWay);
  const qv_reread_match& match = rereader_->match(q, p);
  if (match.state == qv_reread_match::NO_MATCH)
    return std::make_unique<qv_peptide>(
        qv_peptide::noMatch(q, p, source_.getObservedMass(q), source_.getObservedCharge(q)));
  if (match.state != qv_reread_match::SPLIT) return qv_readQueryRankPeptide(source_, q, p).peptide;
  auto peptide =
      std::make_unique<qv_peptide>(q, p, match.values(), source_.getObservedMass(q), source_.getObservedCharge(q));
  if (match.hasPrimaryNl) peptide->setPrimaryNlStr(std::string(match.primaryNl));
  if (match.hasSubstitutions)
    peptide->setSubstitutions(qv_parseSubstitutions(match.substitutions, peptide->getPeptideStr()));
  return peptide;
}

bool qv_peptidesummary::getPeptide(int q, int p, const qv_peptide*& result) const {
  const qv_match* m = matchAt(q, p);
  result = m == nullptr ? nullptr : peptideOf(table_[slot(q, p)] - 1);
  if (result == nullptr) file_.setError(qv_resultsfile::ERR_NO_PEPTIDE, q, p, "qv_peptidesummary::getPeptide");
  return result != nullptr;
}

std::optional<qv_peptide> qv_peptidesummary::getPeptideCopy(int q, int p) const {
  // Made afresh and not kept: a caller that walks every match by value
  // does not leave an object per match behind.
  if (matchAt(q, p) == nullptr) {
    const qv_peptide* none = nullptr;
    (void)getPeptide(q, p, none);  // records error 6
    return std::nullopt;
  }
  return std::optional<qv_peptide>(std::move(*makePeptide(table_[slot(q, p)] - 1)));
}

int qv_peptidesummary::getProbabilityScoreCutoff(int oneInX) const { return getAvePeptideIdentityThreshold(oneInX); }

std::string qv_peptidesummary::getProteinListText(int q, int p, bool quoted) const {
  std::string text;
  const qv_match* m = matchAt(q, p);
  if (m == nullptr) return text;
  for (int i = 0; i < m->proteinCount; ++i) {
    const qv_protein* protein = proteinOfMatch(*m, i);
    text += std::to_string(protein->getHitNumber());
    text += ':';
    if (quoted)
      text += '"' + protein->getAccession() + "\" ";
    else
      text += protein->getAccession() + "  ";
  }
  return text;
}

// ---- The parent of an error-tolerant search.

void qv_peptidesummary::openParent() {
  parentTried_ = true;
  std::string path = file_.getSearchParameters().getErrorTolerantParent();
  std::string here = file_.getFileName();
  size_t slash = here.find_last_of('/');
  std::string beside = (slash == std::string::npos ? std::string(".") : here.substr(0, slash)) + "/" + path;
  std::string chosen = qv_platform::pathExists(beside) ? beside : path;
  auto parentFile = std::make_unique<qv_resultsfile>(chosen, 0, "<!-- %d seconds -->\n");
  if (!parentFile->isValid()) {
    file_.setError(qv_resultsfile::ERR_MISSING_ERROR_TOLERANT_PARENT, path);
    return;
  }
  parentFile_ = std::move(parentFile);
  // The parent is summarised without the parent check: it only lends its
  // peptide table, and a file that named itself (or a chain of parents that
  // comes back to it) would otherwise open parents without end.
  parent_ = std::make_unique<qv_peptidesummary>(*parentFile_, flags_ & ~uint32_t{FLAG_ERROR_TOLERANT}, 0.0, 1,
                                                std::nullopt, 0.0, 0, std::string(kNoAccession), tuning_);
}

bool qv_peptidesummary::passesParentCheck(int q, double ionsScore) {
  if (!parentTried_) openParent();
  if (!parent_) return true;
  const qv_match* top = parent_->matchAt(q, 1);
  if (top == nullptr) return true;
  if (ionsScore < top->ionsScore) return false;
  const double threshold = ionsScoreCutoff_ == 0 ? getPeptideIdentityThreshold(q, 20) : getIonsScoreCutoff(q);
  return ionsScore >= threshold;
}
