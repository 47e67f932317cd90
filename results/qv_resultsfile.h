#pragma once
// The results file of a finished search: the whole text held in memory once,
// as one contiguous text addressed by 32-bit offsets, with a key index per
// section pointing into it. Two dialects are read: MIME multipart sections
// and bracketed sections. Every lookup goes through one primitive, a
// reference to where a value lies (in memory, or on a compacted "Ions1" line
// read back from the file), and an append of it; the getters are one line
// each over that primitive. Every lookup has an "absent" result; nothing
// here throws. A section's key index is built by section_index.h; a cursor
// that reads a section in the order of the file is in section_cursor.h.
// The class is implemented in qv_resultsfile.cpp (opening and lookups),
// qv_resultsfile_queries.cpp (search type and query data) and
// section_cursor.cpp (sectionCursor()).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "errors/qv_errors.h"
#include "results/key_table.h"
#include "results/results_text.h"
#include "results/section_index.h"

class qv_searchparams;
namespace qv_results {
class SectionCursor;
}

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

/// Where the value of a key lies: in the text held in memory, or on disk on
/// an "Ions1" line that was compacted away (read back by appendValue).
/// Valid as long as the results file that gave it.
struct qv_valueref {
  enum Where : uint8_t { ABSENT, IN_MEMORY, ON_DISK };
  Where where = ABSENT;
  std::string_view text;    // IN_MEMORY: the value, never empty
  uint64_t fileOffset = 0;  // ON_DISK: file offset of the key's end on the line kept on disk
  bool found() const { return where != ABSENT; }
};

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

  /// Receives each keep-alive text; the caller decides where it goes.
  using KeepAliveWriter = std::function<void(std::string_view text)>;

  /// Opens and indexes `fileName`. With `keepAliveInterval` above 0, long
  /// operations hand `keepAliveText` (formatted with the whole seconds since
  /// construction) to `keepAliveWriter` at most that often; without a writer
  /// nothing is written. `chunkSize` is the read chunk size (tests use small
  /// ones). The file stays open while this object lives. Failures are
  /// recorded in the error list; ask isValid() afterwards.
  qv_resultsfile(const std::string& fileName, int keepAliveInterval, std::string keepAliveText,
                 KeepAliveWriter keepAliveWriter, size_t chunkSize = kDefaultChunkSize);
  /// The same without keep-alive output.
  qv_resultsfile(const std::string& fileName, int keepAliveInterval = 0,
                 std::string keepAliveText = "<!-- %d seconds -->\n", size_t chunkSize = kDefaultChunkSize);
  ~qv_resultsfile();
  qv_resultsfile(const qv_resultsfile&) = delete;
  qv_resultsfile& operator=(const qv_resultsfile&) = delete;

  // ---- The lookup primitive. A key asked for ends at its first "="; a
  // value is absent when its key, its section or query is missing, when it
  // is empty, or when it is cut short by the end of the text.

  /// Where the value of `key` in fixed section `section` (0 to 8) lies.
  qv_valueref findSectionValue(int section, std::string_view key) const;
  /// Where the value of `key` in the section of query q lies (absent for q
  /// outside 1 .. getNumQueries()).
  qv_valueref findQueryValue(int q, std::string_view key) const;
  /// Most keys findSectionValues() takes at once.
  static constexpr size_t kMaxValuesAtOnce = 24;
  /// The values of up to kMaxValuesAtOnce keys of one fixed section (out[i]
  /// for keys[i]), their table slots fetched together so that the waits
  /// overlap.
  void findSectionValues(int section, std::span<const std::string_view> keys, std::span<qv_valueref> out) const;
  /// Calls f(key) for every key of a fixed section, in no particular order
  /// (enumerateSectionKeys() sorts them first): in the order of the file
  /// (reading the text front to back) when no key is written twice.
  template <typename F>
  void forEachSectionKey(int section, F&& f) const {
    const qv_results::KeyTable* keys = fixedKeys(section);
    if (keys == nullptr) return;
    if (!fixed_[section].distinctKeys) {
      keys->forEach([&](uint32_t line) {
        const char* text = text_.data() + line;
        f(std::string_view(text, qv_results::lineKeyLength(text)));
      });
      return;
    }
    qv_results::forEachBodyLine(text_, fixed_[section], [&](const char* line) {
      const size_t length = qv_results::lineKeyLength(line);
      if (line[length] == '=') f(std::string_view(line, length));
    });
  }
  /// Calls f(key) for every key of query q, in no particular order. `key`
  /// is as written in the file and lies in the text held in memory, valid
  /// as long as this object: valueOfKey(key) tells where its value lies.
  template <typename F>
  void forEachQueryKey(int q, F&& f) const {
    const qv_results::KeyTable* keys = queryKeys(q);
    if (keys == nullptr) return;
    keys->forEach([&](uint32_t line) {
      const char* text = text_.data() + line;
      f(std::string_view(text, qv_results::lineKeyLength(text)));
    });
  }
  /// Where the value of a key handed out by forEachQueryKey lies.
  qv_valueref valueOfKey(std::string_view key) const { return lineValue(key.data(), key.size()); }

  /// A cursor over a fixed section's lines in the order of the file, for a
  /// caller that asks for most of its keys in about that order: see
  /// section_cursor.h, which defines it and sectionCursor().
  using SectionCursor = qv_results::SectionCursor;
  /// A cursor at the start of fixed section `section`; the file must outlive it.
  SectionCursor sectionCursor(int section) const;

  /// Appends the value to `out`: in place from memory, or read from the file
  /// (the text after the key and its "=", without the line end). False, with
  /// nothing appended, when it is absent or empty. With `limit` above 0 a
  /// value on disk is read to at most that many bytes (enough to tell it is
  /// not empty).
  bool appendValue(const qv_valueref& value, std::string& out, size_t limit = 0) const;
  /// The value as text; empty when absent.
  std::string valueText(const qv_valueref& value) const;
  /// The leading integer of the value; `absent` when it is absent.
  int valueInt(const qv_valueref& value, int absent) const;
  /// The leading floating-point number of the value; 0.0 when absent.
  double valueDouble(const qv_valueref& value) const;

  // ---- Getters. Values are copies; absent keys, sections and queries give
  // the documented "absent" result and record nothing.

  /// Value of `key` in fixed section `section` (0 to 8); empty when absent.
  std::string getSectionValueStr(int section, std::string_view key) const {
    return valueText(findSectionValue(section, key));
  }
  /// Leading integer of the value; -1 when absent or empty.
  int getSectionValueInt(int section, std::string_view key) const {
    return valueInt(findSectionValue(section, key), -1);
  }
  /// Leading floating-point number of the value; 0.0 when absent.
  double getSectionValueDouble(int section, std::string_view key) const {
    return valueDouble(findSectionValue(section, key));
  }
  /// Like getSectionValueStr, returning false when the value is absent or empty.
  [[nodiscard]] bool getSectionValue(int section, std::string_view key, std::string& value) const {
    return assign(findSectionValue(section, key), value);
  }

  /// Value of `key` in the section of query q; empty when absent or when q
  /// is outside 1 .. getNumQueries().
  std::string getQuerySectionValueStr(int q, std::string_view key) const {
    return valueText(findQueryValue(q, key));
  }
  /// Leading integer of the value; 0 when absent.
  int getQuerySectionValueInt(int q, std::string_view key) const { return valueInt(findQueryValue(q, key), 0); }
  /// Leading floating-point number of the value; 0.0 when absent.
  double getQuerySectionValueDouble(int q, std::string_view key) const {
    return valueDouble(findQueryValue(q, key));
  }
  /// Like getQuerySectionValueStr, returning false when absent or empty.
  [[nodiscard]] bool getQuerySectionValue(int q, std::string_view key, std::string& value) const {
    return assign(findQueryValue(q, key), value);
  }
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
  /// Bytes of the text held in memory (the file less its peak lists kept on
  /// disk); 0 when nothing was read.
  uint64_t getTextBytes() const { return text_.size(); }
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
  /// The same, reading through a cursor of the summary section (a caller
  /// that asks for every query in order).
  double getObservedMass(int q, SectionCursor& summary) const;
  /// Charge of "qexp<q>": "Mr" 0, "1+".."8+" 1..8, "1-".."8-" -1..-8, else
  /// -100. Error 4 when q is out of range, error 5 when the key is missing.
  int getObservedCharge(int q) const;
  /// The same, reading through a cursor of the summary section (a caller
  /// that asks for every query in order).
  int getObservedCharge(int q, SectionCursor& summary) const;
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

  /// Hands the keep-alive text to the writer when the interval is on and has elapsed.
  void keepAlive() const;

 private:
  friend class qv_results::SectionCursor;
  using Section = qv_results::IndexedSection;
  /// One error list for each fixed section and one for the query sections,
  /// filled apart (one of them on a second thread) and merged in this order.
  using SectionErrors = std::vector<qv_errors>;

  // The steps of opening, in order.
  void open(size_t chunkSize);
  [[nodiscard]] bool readText(size_t chunkSize);
  void chooseDialect();
  void indexSections(SectionErrors& errors);
  void indexFixedSections(const std::vector<uint32_t>& starts, int skipped, SectionErrors& errors);
  void readHeaderValues();
  void findQuerySections(qv_errors& errors);

  /// The indexer of this file's sections (section_index.h).
  qv_results::SectionIndexer indexer() const { return {text_, bracketDialect_, separator_}; }
  /// The key table of a fixed section or of query q; nullptr when missing.
  const qv_results::KeyTable* fixedKeys(int section) const;
  const qv_results::KeyTable* queryKeys(int q) const;
  qv_valueref find(const qv_results::KeyTable* keys, std::string_view key) const;
  /// Where the value of the line at `line`, whose key is `keyLength` bytes long, lies.
  qv_valueref lineValue(const char* line, size_t keyLength) const;
  bool assign(const qv_valueref& value, std::string& out) const {
    out.clear();
    return appendValue(value, out);
  }
  int observedCharge(int q, SectionCursor* summary) const;
  double observedMass(int q, SectionCursor* summary) const;
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
  KeepAliveWriter keepAliveWriter_;
  int64_t createTime_;
  mutable int64_t lastKeepAlive_;
  mutable signed char cached_[3] = {-1, -1, -1};  // anyMSMS, anySeq, anyTag; -1 = not known
  mutable qv_errors errors_;
  std::unique_ptr<qv_searchparams> params_;
  std::vector<std::string> tokens_;
  Section fixed_[kNumFixedSections];
  qv_results::ResultsText text_;
  bool bracketDialect_ = false;
  std::string separator_;
  qv_results::ListArena queryLists_;           // the key lists of the query sections
  std::vector<qv_results::KeyTable> queries_;  // index 0 unused
  mutable qv_results::FileReader file_;        // open from the start: the peak lists kept on disk
  mutable std::vector<uint32_t> sortedKeys_[kNumFixedSections];  // built on the first enumeration
  mutable bool sortedBuilt_[kNumFixedSections] = {};
};
