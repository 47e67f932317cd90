#pragma once
// A protein of a summary: its accession and scores, the hit it was read from
// or numbered as, how it was grouped, and the ordered list of its peptide
// references. A reference points to the summary's peptide object (query,
// rank, sequence and modifications are read through it) and adds what belongs
// to this protein only: position, multiplicity, frame, residues around it,
// scores, duplicate marks and the bold and red marks of the hit list.
#include <cstdint>
#include <string>
#include <vector>

#include "results/qv_peptide.h"

/// One peptide listed under a protein.
struct qv_peptide_ref {
  /// The summary's peptide; not owned, lives as long as the summary.
  qv_peptide* peptide = nullptr;
  int32_t query = -1;
  int32_t rank = -1;  ///< the rank in a peptide summary, the hit number in a protein summary
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
  int32_t frame = 0;
  double reducedScore = 0;  ///< ions score less the multiplicity term (see qv_summary)
  double ionsScore = 0;
  double sortScore = 0;  ///< 0 in both summaries: references then sort by query and rank
  char residueBefore = '?';
  char residueAfter = '?';
  int32_t dupFlags = 0;   ///< bits 1 same query, 2 same sequence, 4 same modifications, 8 same place
  int32_t dupStatus = 0;  ///< a qv_protein::DUP_* value
  bool bold = false;
  bool red = false;
};

class qv_protein {
 public:
  /// How a protein stands in the hit list.
  enum Status : int32_t { INDEPENDENT = 0, SUBSET = 1, SAMESET = 2 };
  /// Duplicate status of a reference.
  enum DupStatus : int32_t { DUP_NONE = 0, DUP_OTHER_QUERY = 1, DUP_SAME_QUERY = 2, DUP_HAS_DUPLICATES = 3 };

  qv_protein(std::string accession, double score, int32_t hitNumber, bool mixture = false);
  virtual ~qv_protein() = default;
  qv_protein(const qv_protein&) = delete;
  qv_protein& operator=(const qv_protein&) = delete;

  const std::string& getAccession() const { return accession_; }
  double getScore() const { return score_; }
  void setScore(double score) { score_ = score; }
  double getSecondScore() const { return secondScore_; }
  void setSecondScore(double score) { secondScore_ = score; }
  /// The "h%d" number of a protein summary's hit; in a peptide summary the
  /// number the hit got in the hit list, 0 for a protein that is no hit.
  int32_t getHitNumber() const { return hitNumber_; }
  void setHitNumber(int32_t n) { hitNumber_ = n; }
  bool isMixture() const { return mixture_; }
  bool isComponent() const { return component_; }
  void setComponent() { component_ = true; }

  Status getStatus() const { return status_; }
  /// Accession of the hit this protein was grouped under; empty when independent.
  const std::string& getGroupLeaderAccession() const { return leader_; }
  void setGrouped(Status status, const std::string& leaderAccession);

  /// The frame all references share; -1 when they differ or there are none.
  int getFrame() const;

  int getNumPeptides() const { return static_cast<int>(refs_.size()); }
  /// Reference i (from 1), or nullptr when i is out of range.
  const qv_peptide_ref* getPeptideRef(int i) const;
  // Per reference i (from 1): -1, 0.0 or '?' when i is out of range.
  int getPeptideQuery(int i) const;
  int getPeptideP(int i) const;
  int getPeptideStart(int i) const;
  int getPeptideEnd(int i) const;
  int getPeptideMultiplicity(int i) const;
  int getPeptideFrame(int i) const;
  /// The reduced score of reference i.
  double getPeptideScore(int i) const;
  double getPeptideIonsScore(int i) const;
  char getPeptideResidueBefore(int i) const;
  char getPeptideResidueAfter(int i) const;
  int getPeptideDuplicateFlags(int i) const;
  int getPeptideDuplicateStatus(int i) const;
  bool getPeptideIsBold(int i) const;
  bool getPeptideIsRed(int i) const;

  /// Components of a mixture (not owned: they belong to the same summary).
  int getNumComponents() const { return static_cast<int>(components_.size()); }
  /// Component i (from 1), or nullptr.
  const qv_protein* getComponent(int i) const;
  void addComponent(qv_protein* component) { components_.push_back(component); }

  /// The references, for the summary that owns this protein.
  std::vector<qv_peptide_ref>& refs() { return refs_; }
  const std::vector<qv_peptide_ref>& refs() const { return refs_; }
  void addRef(const qv_peptide_ref& ref) { refs_.push_back(ref); }

 private:
  std::string accession_;
  double score_;
  double secondScore_ = 0;
  int32_t hitNumber_;
  bool mixture_;
  bool component_ = false;
  Status status_ = INDEPENDENT;
  std::string leader_;
  std::vector<qv_peptide_ref> refs_;
  std::vector<qv_protein*> components_;
};
