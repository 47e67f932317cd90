#pragma once
// The summary of a peptide mass fingerprint search (and of any file whose
// protein hits the reports want in the search engine's own order): the hits
// "h%d" of the summary section with their matched peptides "h%d_q%d", and
// the mixtures of the mixture section, on the shared engine. Hits keep the
// scores their lines give; the hit list puts mixtures first, then hits by
// number.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "results/section_cursor.h"
#include "summary/qv_summary.h"

class qv_proteinsummary : public qv_summary {
 public:
  /// Builds the summary of `file`, which must outlive it. A non-empty
  /// `hitFilter` (a hit number as text) keeps that hit only; the matches of
  /// the other hits then read as the "no match" peptide.
  qv_proteinsummary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
                    const std::optional<std::string>& unigeneFile, const std::optional<std::string>& hitFilter,
                    const qv_summary_tuning& tuning = qv_summary_tuning());
  ~qv_proteinsummary() override;

  bool getPeptide(int q, int h, const qv_peptide*& result) const override;
  std::optional<qv_peptide> getPeptideCopy(int q, int h) const override;
  /// The protein threshold.
  int getProbabilityScoreCutoff(int oneInX) const override;
  std::string getProteinListText(int q, int h, bool quoted) const override;
  /// The number of hits read (the file's num_hits, bounded by the lines of
  /// the summary section).
  int getMaxRank() const override { return numHits_; }
  /// The hit filter as a number, 0 for all hits.
  int getHitFilter() const { return hitFilter_; }

 protected:
  const qv_match* matchAt(int q, int h) const override;
  std::unique_ptr<qv_peptide> rereadPeptide(int q, int h) const override;
  bool scoresFromPeptides() const override { return false; }
  int textHitNumber(const std::string& accession) const override;

 private:
  void findMatchKeys();
  void readHit(int h);
  void readMixtures();
  uint64_t slot(int h, int q) const {
    return static_cast<uint64_t>(h) * (static_cast<uint64_t>(numQueries_) + 1) + static_cast<uint64_t>(q);
  }

  int numHits_ = 0;
  int hitFilter_ = 0;
  std::unique_ptr<qv_peptide> noMatch_;
  /// Whether the matches of hit h read as the built-in "no match" peptide.
  bool filteredOut(int h) const { return hitFilter_ != 0 && h != hitFilter_; }
  /// The match number at (q, h), or -1.
  int64_t matchNumber(int q, int h) const;

  std::unordered_map<uint64_t, uint32_t> table_;  // match number at slot(h, q)
  bool readMatchFast(int h, int q, uint32_t& m, bool& noMatch, qv_peptide_ref& ref);
  // The hits' matches are read hit after hit: in the order of the file.
  qv_resultsfile::SectionCursor hitCursor_;
  std::vector<std::vector<int>> queriesOfHit_;    // the q of every "h%d_q%d" key
};
