#pragma once
// The summary of an MS/MS search: every "q%d_p%d" match (ranks 1 to 10) in a
// flat table indexed by query and rank, the proteins its matches name, and
// the engine's scores, grouping and hit list over them. An error-tolerant
// search can have its matches checked against its parent search, whose
// peptide table is built on first need.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "results/peptide_scan.h"
#include "summary/match_read_ahead.h"
#include "summary/match_reread.h"
#include "summary/qv_summary.h"

class qv_peptidesummary : public qv_summary {
 public:
  static constexpr int kMaxRank = 10;
  /// The accession filter given to a parent search's summary: no accession
  /// matches it, so that summary holds only its peptide table.
  static constexpr const char* kNoAccession = "you_wont_find_me";

  /// Builds the summary of `file`, which must outlive it. A cut-off strictly
  /// between 0 and 1 is a probability (the identity threshold of each query
  /// at one in 1/cut-off); protein lists are read only for matches scoring
  /// above the cut-off. A non-empty `accessionFilter` keeps that accession only.
  qv_peptidesummary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
                    const std::optional<std::string>& unigeneFile, double ionsScoreCutoff, int minPeptideLength,
                    const std::optional<std::string>& accessionFilter,
                    const qv_summary_tuning& tuning = qv_summary_tuning());
  ~qv_peptidesummary() override;

  bool getPeptide(int q, int p, const qv_peptide*& result) const override;
  std::optional<qv_peptide> getPeptideCopy(int q, int p) const override;
  /// The average identity threshold.
  int getProbabilityScoreCutoff(int oneInX) const override;
  std::string getProteinListText(int q, int p, bool quoted) const override;
  int getMaxRank() const override { return kMaxRank; }

  /// The ions-score cut-off of query q (a probability turned into a score).
  double getIonsScoreCutoff(int q) const;

 protected:
  const qv_match* matchAt(int q, int p) const override;
  std::unique_ptr<qv_peptide> rereadPeptide(int q, int p) const override;
  bool limitsGroupingWalk() const override { return true; }

 private:
  void readMatches();
  void takeMatch(int q, double cutoff, const qv_pre_read_match& match, const qv_pre_read_proteins& proteins);
  size_t slot(int q, int p) const {
    return static_cast<size_t>(p) * static_cast<size_t>(numQueries_) + static_cast<size_t>(q);
  }
  /// Whether a peptide of an error-tolerant search may list its proteins,
  /// judged against the parent search.
  bool passesParentCheck(int q, double ionsScore);
  void openParent();
  /// The ranks (bit p) at which query q has a match.
  uint32_t matchRanks(int q) const;

  double ionsScoreCutoff_;
  bool errorTolerant_;
  qv_pre_read_proteins listScan_;  // the protein list of the match being read
  std::vector<uint32_t> table_;  // match number + 1 at p * numQueries + q; 0 when there is none
  bool parentTried_ = false;
  std::unique_ptr<qv_resultsfile> parentFile_;
  std::unique_ptr<qv_peptidesummary> parent_;
  // Last, so that its reading ahead stops before what it reads goes.
  mutable std::unique_ptr<qv_match_rereader> rereader_;  // made on the first re-read
};
