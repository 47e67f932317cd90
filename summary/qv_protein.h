#pragma once
// A protein of a summary: its accession and scores, the hit it was read from
// or numbered as, how it was grouped, and the ordered list of its peptide
// references. A summary keeps one compact record (qv_match) per match of the
// file; a reference points to that record by number and adds what belongs to
// this protein only: position, multiplicity, frame, residues around it, the
// reduced score, duplicate marks and the bold and red marks of the hit list.
// Nothing of the peptide is copied into the protein.
#include <cstdint>
#include <string>
#include <vector>

#include "summary/qv_match.h"
#include "summary/ref_list.h"

class qv_protein {
 public:
  /// How a protein stands in the hit list.
  enum Status : int32_t { INDEPENDENT = 0, SUBSET = 1, SAMESET = 2 };
  /// Duplicate status of a reference.
  enum DupStatus : int32_t { DUP_NONE = 0, DUP_OTHER_QUERY = 1, DUP_SAME_QUERY = 2, DUP_HAS_DUPLICATES = 3 };

  /// `matches` is the owning summary's match list; it outlives the protein.
  /// `toleranceTerm` is the summary's term of the reduced scores.
  /// `refs` is the summary's store of references; it outlives the protein,
  /// and holds this protein's references under number `id`.
  qv_protein(const std::vector<qv_match>& matches, qv_ref_store& refs, uint32_t id, double toleranceTerm,
             std::string accession, double score, int32_t hitNumber, bool mixture = false);
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
  /// The ions score of the peptide of reference i.
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

  /// Number of references whose query and rank are known (not -1) and that
  /// are not duplicates from the same query; worked out when the summary
  /// scores the protein.
  int getQueryMatchCount() const { return queryMatchCount_; }
  void setQueryMatchCount(int count) { queryMatchCount_ = count; }

  /// The match record of reference i (from 1), or nullptr.
  const qv_match* getPeptideMatch(int i) const;
  const qv_match& matchOf(const qv_peptide_ref& ref) const { return (*matches_)[ref.match]; }
  /// The reduced score of a reference: its ions score less 10 log10(multiplicity)
  /// times the tolerance term (when the term is above 0 and the multiplicity at least 1).
  double reducedScoreOf(const qv_peptide_ref& ref) const {
    return reducedScore(matchOf(ref).ionsScore, ref.multiplicity, toleranceTerm_);
  }
  static double reducedScore(double ionsScore, int32_t multiplicity, double toleranceTerm);

  /// The references, for the summary that owns this protein.
  qv_ref_list& refs() { return refs_; }
  const qv_ref_list& refs() const { return refs_; }
  /// Adds a reference.
  void addRef(const qv_peptide_ref& ref) { refs_.push_back(ref); }

 private:
  const std::vector<qv_match>* matches_;
  double toleranceTerm_;
  std::string accession_;
  double score_;
  double secondScore_ = 0;
  int32_t hitNumber_;
  bool mixture_;
  bool component_ = false;
  Status status_ = INDEPENDENT;
  std::string leader_;
  int32_t queryMatchCount_ = 0;
  qv_ref_list refs_;
  std::vector<qv_protein*> components_;
};
