#pragma once
// The results file of a finished search: the whole text held in memory once,
// in blocks, with a key index per section pointing into the blocks.
// Two dialects are read: MIME multipart sections and bracketed sections.
// Every lookup has an "absent" result; nothing here throws.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "registry/qv_errors.h"
#include "results/key_table.h"
#include "results/results_blocks.h"

class qv_searchparams;

/// The nine fixed sections of a results file.
enum qv_results_section : int {
  SEC_PARAMETERS = 0,
  SEC_HEADER = 1,
  SEC_MASSES = 2,
  SEC_SUMMARY = 3,
  SEC_MIXTURE = 4,
  SEC_PEPTIDES = 5,
  SEC_PROTEINS = 6,
  SEC_QUERY1 = 7,
  SEC_INDEX = 8,
};

inline constexpr int kNumFixedSections = 9;

class qv_resultsfile {
 public:
  /// The results file's error codes (the message texts are rows 1 to 30 of
  /// the library message table). Codes 11 and 20 to 22 are reserved.
  enum ResultsFileError : int {
    ERR_OUT_OF_MEMORY = 1,
    ERR_RESULTS_FILE_OPEN = 2,
    ERR_RESULTS_FILE_READ = 3,
    ERR_QUERY_OUT_OF_RANGE = 4,
    ERR_MISSING_ENTRY = 5,
    ERR_NO_PEPTIDE = 6,
    ERR_PARSE_PEPTIDE_FIELD = 7,
    ERR_PARSE_PEPTIDE_ACCESSION_FIELD = 8,
    ERR_PARSE_PROTEIN_HIT = 9,
    ERR_PARSE_PROTEIN_HIT_QUERY = 10,
    ERR_NO_PEPTIDES_FOR_ACCESSION = 11,
    ERR_HIT_NOT_IN_SUMMARY = 12,
    ERR_MISSING_SECTION = 13,
    ERR_MISSING_SECTION_END = 14,
    ERR_MALFORMED_ERROR_TOLERANT = 15,
    ERR_MISSING_ERROR_TOLERANT_PARENT = 16,
    ERR_NULL_ACCESSION_PEPTIDES = 17,
    ERR_NULL_ACCESSION_SUMMARY = 18,
    ERR_DUPLICATE_ACCESSION = 19,
    ERR_UNASSIGNED_ORDER = 20,
    ERR_UNASSIGNED_RANGE = 21,
    ERR_UNASSIGNED_INTERNAL = 22,
    ERR_UNIGENE_FILE = 23,
    ERR_DUPLICATE_KEY = 24,
    ERR_UNSUPPORTED_VERSION = 25,
    ERR_MALFORMED_TAG = 26,
    ERR_MALFORMED_ETAG_RANGE = 27,
    ERR_QUERY_COUNT_TRUNCATED = 28,
    ERR_MALFORMED_TERMS = 29,
    ERR_MISSING_HEADERS = 30,
  };

  /// Size of a read chunk and of each growth step for longer lines.
  static constexpr size_t kDefaultChunkSize = 1000000;

  /// Opens and indexes `fileName`. With `keepAliveInterval` above 0, long
  /// operations write `keepAliveText` (formatted with the whole seconds since
  /// construction) to standard output at most that often. `chunkSize` is the
  /// read chunk size (tests use small ones). Failures are recorded in the
  /// error list; ask isValid() afterwards.
  qv_resultsfile(const std::string& fileName, int keepAliveInterval = 0,
                 std::string keepAliveText = "<!-- %d seconds -->\n", size_t chunkSize = kDefaultChunkSize);
  ~qv_resultsfile();
  qv_resultsfile(const qv_resultsfile&) = delete;
  qv_resultsfile& operator=(const qv_resultsfile&) = delete;

  // ---- Lookups. Values are copies; absent keys, sections and queries give
  // the documented "absent" result and record nothing.

  /// Value of `key` in fixed section `section` (0 to 8); empty when absent.
  std::string getSectionValueStr(int section, std::string_view key) const;
  /// Leading integer of the value; -1 when absent or empty.
  int getSectionValueInt(int section, std::string_view key) const;
  /// Leading floating-point number of the value; 0.0 when absent.
  double getSectionValueDouble(int section, std::string_view key) const;
  /// Like getSectionValueStr, returning false when the value is absent or empty.
  [[nodiscard]] bool getSectionValue(int section, std::string_view key, std::string& value) const;

  /// Value of `key` in the section of query q; empty when absent or when q
  /// is outside 1 .. getNumQueries().
  std::string getQuerySectionValueStr(int q, std::string_view key) const;
  /// Leading integer of the value; 0 when absent.
  int getQuerySectionValueInt(int q, std::string_view key) const;
  /// Leading floating-point number of the value; 0.0 when absent.
  double getQuerySectionValueDouble(int q, std::string_view key) const;
  /// Like getQuerySectionValueStr, returning false when absent or empty.
  [[nodiscard]] bool getQuerySectionValue(int q, std::string_view key, std::string& value) const;
  /// True when the value of `key` in query q is not empty. For a peak list
  /// kept on disk only its first bytes are read.
  bool hasQuerySectionValue(int q, std::string_view key) const;
  /// For each (prefix, out) pair fills (*out)[i - 1] with the value of key
  /// prefix + i (i from 1 to out->size(), in decimal) of query q, walking
  /// the section's keys once; entries without a value are left empty.
  void getQuerySectionNumberedValues(
      int q, std::initializer_list<std::pair<std::string_view, std::vector<std::string>*>> lists) const;

  /// The key (as written) of the n-th line (n from 1) holding "=" in key
  /// order; empty when the section has fewer such lines. The first call for
  /// a section sorts its keys; later calls cost constant time.
  std::string enumerateSectionKeys(int section, int n) const;
  /// Number of distinct keys of a fixed section (0 when it is missing).
  int getNumberOfSectionKeys(int section) const;
  /// True when the fixed section's token was found.
  bool isSectionPresent(int section) const;

  // ---- Header values, read at opening.
  int getNumQueries() const { return numQueries_; }
  int getNumHits() const { return numHits_; }
  int getNumSequences() const { return numSequences_; }
  int getNumSeqsAfterTax() const { return numSeqsAfterTax_; }
  double getNumResidues() const { return numResidues_; }
  int getExecTime() const { return execTime_; }
  int getDate() const { return date_; }
  const std::string& getVersion() const { return version_; }
  const std::string& getRelease() const { return release_; }
  const std::string& getFileName() const { return fileName_; }
  /// True for the bracket dialect ("[RA RozIzide]"), false for MIME.
  bool isBracketDialect() const { return bracketDialect_; }

  /// The search parameters; lives as long as this object.
  qv_searchparams& getSearchParameters() const { return *params_; }

  // ---- Search type and query data.
  /// "SEARCH" equals "PMF", "MIS" or "SQ" exactly.
  bool isPMF() const;
  bool isMSMS() const;
  bool isSQ() const;
  /// The integer value of "ERRORTOLERANT" is 1.
  bool isErrorTolerant() const;
  /// Some query has "num_vals" above 0 (worked out once, then cached).
  bool anyMSMS() const;
  /// Some query has a non-empty "Seq1" or "Comp1" (cached).
  bool anySeq() const;
  /// Some query has a non-empty "Tag1" or "Etag1" (cached).
  bool anyTag() const;
  /// Leading number of "qexp<q>" in the summary; 0 and error 4 when q is out of range.
  double getObservedMass(int q) const;
  /// Charge of "qexp<q>": "Mr" 0, "1+".."8+" 1..8, "1-".."8-" -1..-8, else
  /// -100. Error 4 when q is out of range, error 5 when the key is missing.
  int getObservedCharge(int q) const;
  /// The one-line description of query q used by the text report; empty and
  /// error 4 when q is out of range.
  std::string getQueryDescription(int q) const;

  // ---- Errors.
  int getNumberOfErrors() const { return errors_.getNumberOfErrors(); }
  /// Code of entry n (from 1; -1 means the last); 0 when out of range.
  int getErrorNumber(int n) const;
  /// Message of entry n (from 1; -1 the last) with its repeat suffix.
  std::string getErrorString(int n) const { return errors_.getErrorString(n); }
  int getLastError() const { return errors_.getLastError(); }
  std::string getLastErrorString() const { return errors_.getLastErrorString(); }
  /// True when no fatal error has been recorded.
  bool isValid() const { return errors_.isValid(); }
  const qv_errors& getErrors() const { return errors_; }

  /// Records results-file error `code` (1 to 30; others are ignored),
  /// formatting its message with `args`. Usable on a const file: the error
  /// list is the only thing lookups change.
  template <typename... A>
  void setError(int code, const A&... args) const {
    if (code < 1 || code > 30) return;
    errors_.setError(code, args...);
  }

  /// Writes the keep-alive text when the interval is on and has elapsed.
  void keepAlive() const;

 private:
  struct Section {
    qv_results::TextPos start;  // the token's position; block -1 when missing
    qv_results::TextPos end;
    qv_results::KeyTable keys;
  };

  void open(size_t chunkSize);
  /// Finds the section's end and builds its key table, recording its
  /// errors in `errors`.
  void indexSection(Section& section, int fixedSection, std::string_view token, qv_errors& errors,
                    qv_results::ListArena* lists = nullptr);
  qv_results::TextPos boundaryLineStart(qv_results::TextPos p) const;
  void readHeaderValues();
  void findQuerySections(qv_errors& errors);
  /// The key table of a fixed section or of query q; nullptr when missing.
  const qv_results::KeyTable* fixedKeys(int section) const;
  const qv_results::KeyTable* queryKeys(int q) const;
  /// Finds the value of `key`; false when absent or empty.
  bool lookup(const qv_results::KeyTable* keys, std::string_view key, std::string& value) const;
  /// The value of the line at `line` (which holds `keyLength` key bytes as asked).
  bool lineValue(const char* line, size_t keyLength, std::string& value, bool firstBytesOnly) const;
  /// The line of `key` in the table `keys`, or nullptr.
  const char* findLine(const qv_results::KeyTable* keys, std::string_view key) const;
  /// The lines of up to four keys of one section (nullptr where absent),
  /// their table slots fetched together so that the waits overlap.
  void findLines(const qv_results::KeyTable* table, std::initializer_list<std::string_view> keys,
                 const char** lines) const;
  /// Appends the value of `key` in the table `keys` to `out`, read in place when it
  /// is held in memory; false (nothing appended) when absent or empty.
  bool appendValue(const qv_results::KeyTable* keys, std::string_view key, std::string& out) const;
  /// The same for a line already found.
  bool appendLineValue(const char* line, size_t keyLength, std::string& out) const;
  /// A key of a query section made of a prefix and an index.
  struct NumberedKey {
    size_t list;   // which prefix
    size_t index;  // from 1
    const char* line;
    size_t keyLength;
  };
  /// Every key of query q that is one of `prefixes` (any letter case)
  /// followed by a decimal index from 1 to `maxIndex` without leading zeros,
  /// in no particular order, found in one walk over the section's keys.
  void numberedKeys(int q, std::span<const std::string_view> prefixes, size_t maxIndex,
                    std::vector<NumberedKey>& out) const;
  bool fetchFromFile(const char* markerLine, size_t keyLength, std::string& value, bool firstBytesOnly) const;
  bool cachedTest(int which, std::string_view key1, std::string_view key2, bool numeric) const;

  std::string fileName_;
  int numQueries_ = -1;
  int numHits_ = -1;
  int numSequences_ = -1;
  int numSeqsAfterTax_ = -1;
  double numResidues_ = 0;
  int execTime_ = -1;
  int date_ = -1;
  std::string version_;
  std::string release_;
  int keepAliveInterval_;
  std::string keepAliveText_;
  int64_t createTime_;
  mutable int64_t lastKeepAlive_;
  mutable signed char cached_[3] = {-1, -1, -1};  // anyMSMS, anySeq, anyTag; -1 = not known
  mutable qv_errors errors_;
  std::unique_ptr<qv_searchparams> params_;
  std::vector<std::string> tokens_;
  Section fixed_[kNumFixedSections];
  qv_results::BlockStore blocks_;
  bool bracketDialect_ = false;
  std::string separator_;
  qv_results::ListArena queryLists_;           // the key lists of the query sections
  std::vector<qv_results::KeyTable> queries_;  // index 0 unused
  mutable qv_results::FileReader reader_;
  mutable std::vector<uint32_t> sortedKeys_[kNumFixedSections];  // built on the first enumeration
  mutable bool sortedBuilt_[kNumFixedSections] = {};
  mutable std::string scratch_;                // a value kept on disk, read while describing a query
  mutable std::vector<NumberedKey> numbered_;  // reused by getQueryDescription
};
