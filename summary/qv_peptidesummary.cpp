#include "summary/qv_peptidesummary.h"

#include <cmath>

#include "platform/file_io.h"
#include "results/peptide_string.h"
#include "results/qv_searchparams.h"

qv_peptidesummary::qv_peptidesummary(const qv_resultsfile& file, uint32_t flags, double minProbability,
                                     int maxHits, const std::optional<std::string>& unigeneFile,
                                     double ionsScoreCutoff, int minPeptideLength,
                                     const std::optional<std::string>& accessionFilter)
    : qv_summary(file, flags, minProbability, maxHits, unigeneFile, accessionFilter.value_or(std::string()),
                 qv_peptide_form::QUERY_RANK),
      ionsScoreCutoff_(ionsScoreCutoff),
      errorTolerant_(file.isErrorTolerant()) {
  setMinPeptideLength(minPeptideLength);
  table_.resize((static_cast<size_t>(numQueries_) + 1) * (kMaxRank + 1));
  reserveMatches(static_cast<size_t>(numQueries_) * kMaxRank);
  source_.setSkipPeptideExtras(true);
  for (int q = 1; q <= numQueries_; ++q) {
    if (q % 100 == 0) file_.keepAlive();
    readQuery(q);
  }
  source_.setSkipPeptideExtras(false);
  buildSummary();
}

qv_peptidesummary::~qv_peptidesummary() = default;

double qv_peptidesummary::getIonsScoreCutoff(int q) const {
  if (ionsScoreCutoff_ > 0 && ionsScoreCutoff_ < 1)
    return getPeptideIdentityThreshold(q, static_cast<int>(1 / ionsScoreCutoff_));
  return ionsScoreCutoff_;
}

void qv_peptidesummary::readQuery(int q) {
  const double cutoff = getIonsScoreCutoff(q);
  for (int p = 1; p <= kMaxRank; ++p) {
    qv_query_rank_read read = qv_readQueryRankPeptide(source_, q, p);
    if (!read.peptide) continue;
    qv_peptide& peptide = *read.peptide;
    // Equal scores share the lowest rank among them.
    if (p > 1) {
      const qv_match* before = matchAt(q, p - 1);
      if (before != nullptr && peptide.getIonsScore() != 0 && peptide.getIonsScore() >= before->ionsScore)
        peptide.setPrettyRank(before->prettyRank);
    }
    const uint32_t m = addMatch(peptide, q, p);
    table_[slot(q, p)] = m + 1;
    if (peptide.isNoMatch() || !(peptide.getIonsScore() > cutoff)) continue;
    if ((flags_ & FLAG_ERROR_TOLERANT) != 0 && errorTolerant_ && !passesParentCheck(q, peptide.getIonsScore()))
      continue;
    for (const qv_protein_reference& r : qv_readProteinList(source_, q, p, read.proteinList)) {
      if (!accessionFilter_.empty() && r.accession != accessionFilter_) continue;
      qv_protein* protein = findOrCreateProtein(r.accession, 0, 0, false);
      qv_peptide_ref ref;
      ref.match = m;
      ref.start = r.start;
      ref.end = r.end;
      ref.multiplicity = r.multiplicity;
      ref.frame = r.frame;
      ref.residueBefore = r.residueBefore;
      ref.residueAfter = r.residueAfter;
      protein->addRef(ref);
      addMatchProtein(m, protein);
    }
  }
}

const qv_match* qv_peptidesummary::matchAt(int q, int p) const {
  if (q < 1 || q > numQueries_ || p < 1 || p > kMaxRank) return nullptr;
  const uint32_t m = table_[slot(q, p)];
  return m == 0 ? nullptr : &matchRecord(m - 1);
}

std::unique_ptr<qv_peptide> qv_peptidesummary::rereadPeptide(int q, int p) const {
  return qv_readQueryRankPeptide(source_, q, p).peptide;
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
                                                std::nullopt, 0.0, 0, std::string(kNoAccession));
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
