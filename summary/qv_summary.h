#pragma once
// The summary engine shared by the peptide summary (MS/MS matches
// "q%d_p%d") and the protein summary (fingerprint hits "h%d"): search
// parameters and flags, score thresholds and expectation values, duplicate
// handling and protein scores, the ordered hit list, grouping of proteins
// that share peptides, and the bold and red marks of the numbered hits.
//
// A summary holds a pointer to its results file and must not outlive it. It
// owns its proteins and peptides. Each match read is kept as a compact record
// (qv_match) with its sequence and modifications in one text store; the
// references inside a protein point to those records. The qv_peptide object
// of a match is made when a caller first asks for it and then lives as long
// as the summary. Problems are recorded in the results file's error list and
// never stop the summary.
//
// Rules of the hit list that this engine decides (see
// docs/formats/summaries.md for the full account):
// - Hits are numbered in hit-list order. Only independent proteins are
//   numbered unless flag 0x4 is set; a hit dropped under flag 0x8 gets no
//   number and does not count. Hits 1 to 50 are always numbered; from hit 51
//   on, numbering stops at the first hit beyond the maximum number of hits or
//   with a score below the minimum score. The grouping walk counts its
//   walkers the same way, and no hit beyond the walk's end is numbered, so
//   every numbered hit has had the chance to absorb the proteins below it.
// - The minimum peptide length only decides which peptides count when two
//   proteins are compared in grouping; it drops no hit.
// - The table of 50 values holds the score of hits 1 to 50 as numbered;
//   entries of hits that do not exist stay -1.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "results/peptide_source.h"
#include "results/qv_peptide.h"
#include "results/qv_resultsfile.h"
#include "summary/qv_protein.h"
#include "summary/summary_grouping.h"
#include "summary/string_pool.h"
#include "summary/summary_source.h"
#include "summary/summary_tuning.h"

class qv_summary {
 public:
  /// Bits of the construction flags.
  enum Flag : uint32_t {
    FLAG_GROUP = 0x1,          ///< group proteins sharing peptides; use the duplicate lists
    FLAG_ALL_PROTEINS = 0x4,   ///< subsets and same sets count as hits too
    FLAG_NEEDS_RED = 0x8,      ///< peptide summary: drop a hit with no unclaimed rank-1 peptide
    FLAG_ERROR_TOLERANT = 0x10,///< check peptides of an error-tolerant search against its parent
    FLAG_NO_MIXTURES = 0x20,   ///< protein summary: do not build mixtures
    FLAG_THRESHOLD_SCORE = 0x40///< protein score from the excess over each peptide's threshold
  };
  /// Number of hits always numbered, and the size of the per-hit table.
  static constexpr int kAlwaysNumbered = 50;

  virtual ~qv_summary();
  qv_summary(const qv_summary&) = delete;
  qv_summary& operator=(const qv_summary&) = delete;

  // ---- Hits.
  /// Hit n (from 1) of the numbered hit list, or nullptr.
  virtual qv_protein* getHit(int n) const;
  virtual int getNumberOfHits() const;
  /// Number of proteins of the hit list grouped (subset or same set) under hit n.
  virtual int getNumberOfGroupedProteins(int n) const;
  /// Protein i (from 1) of those, in hit-list order; nullptr when out of range.
  virtual qv_protein* getGroupedProtein(int n, int i) const;

  // ---- Peptides.
  /// The summary's peptide at query q and rank (or hit) p. False, with error 6,
  /// when there is none.
  virtual bool getPeptide(int q, int p, const qv_peptide*& result) const = 0;
  /// A copy of that peptide; nullopt (and error 6) when there is none.
  virtual std::optional<qv_peptide> getPeptideCopy(int q, int p) const = 0;
  /// The ions score of that peptide, without making the peptide (a report
  /// that needs only the score of each query's first match); false, with the
  /// error getPeptide records, when there is none.
  bool getPeptideIonsScore(int q, int p, double& score) const;

  // ---- Thresholds and probabilities. oneInX below 10 is taken as 10.
  virtual int getPeptideIdentityThreshold(int q, int oneInX) const;
  virtual int getAvePeptideIdentityThreshold(int oneInX) const;
  virtual int getMaxPeptideIdentityThreshold(int oneInX) const;
  /// The score that corresponds to a chance of one in oneInX.
  virtual int getProbabilityScoreCutoff(int oneInX) const = 0;
  virtual int getProteinThreshold(int oneInX) const;
  virtual int getHomologyThreshold(int q, int oneInX) const;
  virtual int getSingleQueryThreshold(int oneInX) const;
  /// 1 for a score not above 0, else 10^(score/10) truncated (saturating).
  virtual int64_t getOneInXFromScore(double score) const;
  virtual double getPeptideExpectationValue(double score, int q) const;
  virtual double getInversePeptideExpectation(double score, int q) const;
  virtual double getProteinExpectationValue(double score) const;
  virtual double getInverseProteinExpectation(double score) const;

  /// For each protein of peptide (q, p): its hit number and ":", then the
  /// accession in double quotes and one space (quoted) or the accession and
  /// two spaces.
  virtual std::string getProteinListText(int q, int p, bool quoted) const = 0;

  // ---- Companion values of match (q, p) (p is the hit in a protein summary).
  virtual std::string getErrTolModString(int q, int p) const;
  virtual std::string getErrTolModMasterString(int q, int p) const;
  virtual std::string getErrTolModSlaveString(int q, int p) const;
  virtual std::string getErrTolModName(int q, int p) const;
  virtual double getErrTolModDelta(int q, int p) const;
  virtual double getErrTolModSecondValue(int q, int p) const;
  virtual std::vector<double> getErrTolModMasterValues(int q, int p) const;
  virtual std::vector<double> getErrTolModSlaveValues(int q, int p) const;
  /// The modifications of match (q, p) as text: each variable modification
  /// named in its modifications string, in order of first appearance, as
  /// "Name" or "<count> Name", joined by "; "; then, for an error-tolerant
  /// modification, its name and its delta as " [%+.*f]" with `decimals`.
  virtual std::string getModificationText(int q, int p, int decimals) const;
  virtual std::string getTagString(int q, int p) const;
  virtual int getTagField2(int q, int p, int tagNumber) const;
  virtual int getTagField3(int q, int p, int tagNumber) const;
  virtual int getTagField4(int q, int p, int tagNumber) const;
  virtual int getDeltaRangeStart(int q, int p) const;
  virtual int getDeltaRangeEnd(int q, int p) const;
  virtual std::string getTerminalResiduesString(int q, int p) const;
  /// Highest rank (peptide summary, 10) or hit number (protein summary).
  virtual int getMaxRank() const = 0;
  /// Score of hit n (1 to 50) when it was numbered, else -1.
  virtual double getHitTableValue(int n) const;

  // ---- Proteins.
  /// Mass from the proteins section, else from the hit lines; 0 when none.
  double getProteinMass(const std::string& accession) const;
  /// Description of a mixture, from the proteins section, or the hit's text.
  std::string getProteinDescription(const std::string& accession) const;
  /// The protein of that accession, or nullptr.
  qv_protein* getProtein(const std::string& accession) const;
  /// Number of proteins in the summary (hits or not).
  int getNumberOfProteins() const { return static_cast<int>(byId_.size()); }

  /// The ways this summary was built and reads (the defaults unless a test
  /// or benchmark chose others).
  const qv_summary_tuning& getTuning() const { return tuning_; }

  // ---- State.
  /// True when the file's version is one this engine cannot read (error 25).
  bool isUnsupportedVersion() const { return unsupported_; }
  uint32_t getFlags() const { return flags_; }
  /// The score below which hits beyond the 50th are not numbered.
  double getMinScore() const { return minScore_; }
  /// The whole ordered hit list (every protein, numbered or not).
  const std::vector<qv_protein*>& getOrderedProteins() const { return order_; }
  /// The grouping settings this summary used (flag 0x1), for comparisons.
  qv_grouping::Settings getGroupingSettings() const;
  /// The sequence and the modifications string of a match record.
  std::string_view sequenceOf(const qv_match& m) const { return strings_.get(m.sequence); }
  std::string_view modsOf(const qv_match& m) const { return strings_.get(m.mods); }
  const qv_resultsfile& getResultsFile() const { return file_; }
  /// True when code (0 to 15) is in the list of codes whose scores count,
  /// or in the list of codes removed as duplicates.
  bool isCountingCode(int code) const;
  bool isRemovedCode(int code) const;

 protected:
  /// Engine construction: stores the settings, records error 23 for a unigene
  /// file name that is given (no gene-cluster index is read) and error 25 for
  /// an unsupported version.
  qv_summary(const qv_resultsfile& file, uint32_t flags, double minProbability, int maxHits,
             const std::optional<std::string>& unigeneFile, std::string accessionFilter, qv_peptide_form form,
             const qv_summary_tuning& tuning);

  /// The protein of `accession`, created (score 0) when new.
  qv_protein* findOrCreateProtein(std::string_view accession, double score, int hitNumber, bool mixture);
  /// The same with qv_string_pool::hashOf(accession) worked out already.
  qv_protein* findOrCreateProtein(std::string_view accession, uint64_t hash, double score, int hitNumber,
                                  bool mixture);
  /// Asks the processor to fetch what finding a protein, a sequence or a
  /// modifications string of these hashes reads first.
  void prefetchProtein(uint64_t hash) const { accessions_.prefetch(hash); }
  void prefetchText(uint64_t hash) const { strings_.prefetch(hash); }
  /// Reserves room for about `count` match records. Pages never touched cost
  /// no memory, while growing by copying would hold two lists at its peak.
  void reserveMatches(size_t count);
  /// Keeps the record of a match just read for (q, rank); returns its number.
  uint32_t addMatch(double ionsScore, int prettyRank, std::string_view sequence, std::string_view varMods, int q,
                    int rank) {
    return addMatch(ionsScore, prettyRank, sequence, qv_string_pool::hashOf(sequence), varMods,
                    qv_string_pool::hashOf(varMods), q, rank);
  }
  /// The same with the texts' qv_string_pool::hashOf worked out already.
  uint32_t addMatch(double ionsScore, int prettyRank, std::string_view sequence, uint64_t sequenceHash,
                    std::string_view varMods, uint64_t modsHash, int q, int rank);
  uint32_t addMatch(const qv_peptide& peptide, int q, int rank) {
    return addMatch(peptide.getIonsScore(), peptide.getPrettyRank(), peptide.getPeptideStr(), peptide.getVarModsStr(),
                    q, rank);
  }
  /// Adds a reference to `protein` in the store only, and scores it at once:
  /// its list is made when the summary is built, with room for exactly the
  /// references it keeps.
  void addRefToStore(qv_protein* protein, const qv_peptide_ref& ref);
  /// Notes that match m was added to `protein` (call right after addMatch,
  /// in the order of its protein list).
  void addMatchProtein(uint32_t m, qv_protein* protein);
  qv_match& matchRecord(uint32_t m) { return matches_[m]; }
  const qv_match& matchRecord(uint32_t m) const { return matches_[m]; }
  /// The peptide object of match m, read again from the file (quietly: its
  /// problems were recorded when it was first read) on the first call.
  const qv_peptide* peptideOf(uint32_t m) const;
  /// A new peptide object of match m, not kept by the summary.
  std::unique_ptr<qv_peptide> makePeptide(uint32_t m) const;
  /// The record of the match at (q, p), or nullptr; records nothing.
  virtual const qv_match* matchAt(int q, int p) const = 0;
  /// Protein i (from 0) of the proteins match m was added to.
  qv_protein* proteinOfMatch(const qv_match& m, int i) const { return byId_[matchProteins_[m.proteinsBegin + i]]; }
  /// Reads the peptide of (q, rank) from the file again.
  virtual std::unique_ptr<qv_peptide> rereadPeptide(int q, int rank) const = 0;
  /// Scores the proteins, orders them, groups them and numbers the hits.
  void buildSummary();
  /// Whether protein scores are worked out from their peptides (the protein
  /// summary keeps the scores of its hit lines).
  virtual bool scoresFromPeptides() const { return true; }
  /// Hit number in the file whose "_text" describes `accession`; 0 when none.
  virtual int textHitNumber(const std::string& accession) const;
  /// Hit order of the protein summary instead of score order.
  void setHitOrder() { hitOrder_ = true; }
  void setCompareByQuery() { byQuery_ = true; }
  bool comparesByQuery() const { return byQuery_; }
  void setMinPeptideLength(int length) { minPeptideLength_ = length; }
  /// Whether the grouping walk stops after 50 hits at the cut-offs.
  virtual bool limitsGroupingWalk() const { return false; }
  /// Number of "h%d" hits that can be read: num_hits, but no more than the
  /// summary section has keys (each hit needs its line).
  int readableHits() const;
  /// The identity threshold of query q at one in 20, cached.
  int identity20(int q) const;
  /// The threshold a peptide of query q is scored against: the homology
  /// threshold at one in 20, or the identity threshold when that is 0; cached.
  int referenceThreshold(int q) const;

  const qv_resultsfile& file_;
  const qv_summary_tuning tuning_;
  qv_summary_source source_;
  int numQueries_ = 0;
  uint32_t flags_;
  double minProbability_;
  int maxHits_;
  std::string accessionFilter_;
  double toleranceTerm_ = 0;

 private:
  void scoreProtein(qv_protein& protein);
  void scoreProteinsInStoreOrder();
  /// One step of the walk over the store: reference e against the last one
  /// its protein kept; false when it is removed as a duplicate.
  bool scoreEntry(uint32_t e);
  void placeLists();
  void finishScore(qv_protein& protein, double plain, double excess, double thresholds, int counted,
                   int queryMatches, bool knownSorted);
  int duplicateFlags(const qv_protein& protein, const qv_peptide_ref& ref, const qv_peptide_ref& before) const;
  void numberHits(size_t walkEnd);
  bool hasUnclaimedRankOne(const qv_protein& protein) const;
  void claimPeptides(qv_protein& protein, int hitNumber, size_t begin, size_t end);
  /// Claims the peptides of every numbered hit, in hit order.
  void claimHits();
  bool comesBefore(const qv_protein* a, const qv_protein* b) const;
  void readQueryScores() const;
  /// "qmatch<q>" and "qplughole<q>" of the summary section as numbers.
  double qmatchOf(int q) const;
  double qplugholeOf(int q) const;
  /// The proteins grouped under hit n in hit-list order, or nullptr.
  const std::vector<qv_protein*>* groupedUnder(int n) const;

  qv_peptide_form form_;
  std::vector<qv_match> matches_;
  qv_ref_store refStore_;                   // the references of every protein
  qv_string_pool strings_;                  // sequences and modifications of the matches
  std::vector<uint32_t> matchProteins_;  // the protein numbers of each match, in runs
  mutable std::unordered_map<uint32_t, std::unique_ptr<qv_peptide>> peptides_;  // made on demand
  std::vector<int32_t> claimed_;     // per query: claimed matches
  std::vector<int32_t> claimedTop_;  // per query: claimed matches of pretty rank 1
  // The proteins by number, and their accessions: pool number -> protein
  // number (UINT32_MAX for a text of the pool that names no protein).
  std::vector<std::unique_ptr<qv_protein>> owned_;
  qv_string_pool accessions_;
  std::vector<uint32_t> proteinOfAccession_;
  std::vector<qv_protein*> byId_;   // every protein by its number in the reference store
  std::unique_ptr<uint32_t[]> listRoom_;  // the lists' numbers, placed when the summary is built
  bool storeOnlyRefs_ = false;            // references were added to the store alone
  // What the walk over the store has summed for each protein so far.
  struct ScoreSums {
    uint32_t lastKept = UINT32_MAX;
    bool sorted = true;          // by query, then rank
    bool lastHasStatus = false;  // the last kept reference has a duplicate status
    // Of the last kept reference and its match:
    int32_t query = 0, rank = 0, start = 0, end = 0;
    uint32_t sequence = 0, mods = 0;
    int counted = 0;
    int queryMatches = 0;  // kept, query and rank known, not from the same query
    double plain = 0, excess = 0, thresholds = 0;
  };
  std::vector<ScoreSums> sums_;  // by protein number, until the summary is built
  bool scoredAsAdded_ = false;   // the walk was done as references were added
  std::vector<qv_protein*> order_;  // every protein in hit-list order
  std::vector<qv_protein*> hits_;   // the numbered hits
  mutable std::unordered_map<std::string, std::vector<qv_protein*>> groups_;  // by leader accession
  mutable bool groupsKnown_ = false;
  bool hitOrder_ = false;
  bool byQuery_ = false;
  double table_[kAlwaysNumbered];
  int minPeptideLength_ = 0;
  bool unsupported_ = false;
  std::vector<int> countingCodes_;
  std::vector<int> removedCodes_;
  bool counting_[16] = {};  // by duplicate-flag word: in countingCodes_
  bool removed_[16] = {};   // in removedCodes_
  double minScore_ = 0;
  mutable std::vector<int> identity20_;   // per query; INT32_MIN until worked out
  mutable std::vector<int> reference20_;  // per query; INT32_MIN until worked out
  mutable int homologyApplies_ = -1;      // the file-wide conditions of the homology threshold; -1 unknown
  mutable std::vector<double> qmatch_;     // per query, from "qmatch<q>"; empty until read
  mutable std::vector<double> qplughole_;  // per query, from "qplughole<q>"
  mutable bool qmatchStatsKnown_ = false;
  mutable double meanQmatch_ = 0;
  mutable double maxQmatch_ = 0;
  mutable int positiveQmatches_ = 0;
};
