#pragma once
// One peptide match of a results file: a (query, rank) match of an MS/MS
// search or a (hit, query) match of a peptide mass fingerprint search, with
// the values of its value string and of the companion keys read with it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class qv_protein;

/// One residue substitution: 1-based position in the peptide, the residue
/// reported there and the residue that replaces it.
struct qv_substitution {
  int position = 0;
  char residue = 0;
  char substitute = 0;
};

/// A protein that a "q%d_p%d" match lists: accession, frame, 1-based start
/// and end in the protein, multiplicity, and the residues before and after
/// the peptide ('?' when unknown).
struct qv_protein_reference {
  std::string accession;
  int32_t frame = 0;
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
  char residueBefore = '?';
  char residueAfter = '?';
};

class qv_peptide {
 public:
  /// The numbers and texts of a value string, in the order the string holds them.
  struct Values {
    int32_t missedCleavages = 0;
    double mrCalc = 0;
    double delta = 0;
    int32_t numIonsMatched = 0;
    std::string sequence;
    int32_t peaksUsedFromIons1 = 0;
    std::string varModsStr;
    double ionsScore = 0;
    std::string seriesUsedStr;
    int32_t peaksUsedFromIons2 = 0;
    int32_t peaksUsedFromIons3 = 0;
  };

  /// A match of query `query` at rank (or hit) `rank`, with the query's
  /// observed m/z and charge.
  qv_peptide(int32_t query, int32_t rank, Values values, double observed, int32_t charge);

  /// The "no match" peptide: missed cleavages -1, masses 0, texts empty.
  static qv_peptide noMatch(int32_t query, int32_t rank, double observed, int32_t charge);

  /// True for the "no match" peptide (missed cleavages of -1).
  bool isNoMatch() const { return v_.missedCleavages == -1; }

  int32_t getQuery() const { return query_; }
  /// The rank of a "q%d_p%d" match, the hit number of an "h%d_q%d" match.
  int32_t getRank() const { return rank_; }
  /// Equal to the rank when created; a summary may lower it to share a rank among equal scores.
  int32_t getPrettyRank() const { return prettyRank_; }
  void setPrettyRank(int32_t rank) { prettyRank_ = rank; }

  int32_t getMissedCleavages() const { return v_.missedCleavages; }
  double getMrCalc() const { return v_.mrCalc; }
  /// Experimental minus calculated relative mass.
  double getDelta() const { return v_.delta; }
  double getObserved() const { return observed_; }
  /// Calculated relative mass plus delta.
  double getMrExperimental() const { return v_.mrCalc + v_.delta; }
  int32_t getNumIonsMatched() const { return v_.numIonsMatched; }
  int32_t getObsCharge() const { return charge_; }
  const std::string& getPeptideStr() const { return v_.sequence; }
  int32_t getPeaksUsedFromIons1() const { return v_.peaksUsedFromIons1; }
  const std::string& getVarModsStr() const { return v_.varModsStr; }
  double getIonsScore() const { return v_.ionsScore; }
  const std::string& getSeriesUsedStr() const { return v_.seriesUsedStr; }
  int32_t getPeaksUsedFromIons2() const { return v_.peaksUsedFromIons2; }
  int32_t getPeaksUsedFromIons3() const { return v_.peaksUsedFromIons3; }

  /// The primary neutral loss string ("_primary_nl"), empty when absent.
  const std::string& getPrimaryNlStr() const { return primaryNl_; }
  void setPrimaryNlStr(std::string text) { primaryNl_ = std::move(text); }

  /// Substitutions ("_subst") in the order written.
  const std::vector<qv_substitution>& getSubstitutions() const { return substitutions_; }
  void setSubstitutions(std::vector<qv_substitution> list) { substitutions_ = std::move(list); }

  /// The proteins (owned by the summary) this peptide was added to, in the
  /// order of its protein list.
  int getNumProteins() const { return static_cast<int>(proteins_.size()); }
  /// Protein i (from 1), or nullptr when i is out of range.
  qv_protein* getProtein(int i) const;
  void addProtein(qv_protein* protein) { proteins_.push_back(protein); }

  /// The hit that claimed this peptide; 0 until a summary sets it.
  int32_t getClaimingHit() const { return claimingHit_; }
  void setClaimingHit(int32_t hit) { claimingHit_ = hit; }

 private:
  int32_t query_;
  int32_t rank_;
  int32_t prettyRank_;
  Values v_;
  double observed_;
  int32_t charge_;
  std::string primaryNl_;
  std::vector<qv_substitution> substitutions_;
  std::vector<qv_protein*> proteins_;
  int32_t claimingHit_ = 0;
};
