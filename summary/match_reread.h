#pragma once
// Re-reading a query's matches from the peptides section to hand out their
// peptide objects. The summary keeps a compact record of each match, so a
// report that shows every match (the XML report) reads each again: its
// "q%d_p%d" value, split by the fast reader, and its two companions
// "_primary_nl" and "_subst". None of it records anything or touches the
// summary, so a report walking the whole search has the queries ahead re-read
// on a second thread (qv_read_ahead) while it writes.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "results/qv_peptide.h"
#include "results/qv_resultsfile.h"
#include "results/section_cursor.h"
#include "summary/match_companions.h"
#include "summary/read_ahead.h"
#include "summary/summary_tuning.h"

/// A match re-read without recording anything. Its texts are views of the
/// file's text held in memory, valid as long as the file: a match read on
/// one thread and made into a peptide on another hands over no memory of
/// its own.
struct qv_reread_match {
  enum State : uint8_t {
    FULL_READER,  ///< not read here: the full reader must read it (and record what it finds)
    NO_MATCH,     ///< the value is "-1"
    SPLIT,        ///< the fields below hold the match
  };
  State state = FULL_READER;
  qv_peptide::Values numbers;  ///< its numbers; the texts are left empty
  std::string_view sequence;
  std::string_view varMods;
  std::string_view seriesUsed;
  bool hasPrimaryNl = false;
  std::string_view primaryNl;
  bool hasSubstitutions = false;
  std::string_view substitutions;  ///< the "_subst" value

  /// The values, texts and all.
  qv_peptide::Values values() const;
};

/// Re-reads the matches of query q at the ranks whose bits (1 << p, p from
/// 1 to 15) are set in `ranks` into out[p], through `cursor` (of the
/// peptides section). `marks`, when given and ready, spares the index the
/// companions a match does not have. Records nothing.
void qv_rereadQuery(const qv_resultsfile& file, qv_resultsfile::SectionCursor& cursor,
                    const qv_match_companions* marks, int q, uint32_t ranks, qv_reread_match* out);

/// The re-reading of one summary's matches, query by query: a query's
/// matches are read together (rank 1 alone when that is all that is asked
/// for), and a caller that walks a large search has the queries ahead read
/// on a second thread and the companions marked.
class qv_match_rereader {
 public:
  /// How matches are re-read (see qv_reread_way).
  using Way = qv_reread_way;

  /// Re-reads matches of `file` (queries 1 to numQueries, ranks 1 to
  /// maxRank, at most 15) the way `way` says; `ranksOf(q)` has bit p set
  /// when query q has a match at rank p, and is called on the second thread
  /// too (it must read only what does not change). `large` allows reading
  /// ahead in AUTO.
  qv_match_rereader(const qv_resultsfile& file, int numQueries, int maxRank, bool large,
                    std::function<uint32_t(int)> ranksOf, Way way = Way::AUTO);
  ~qv_match_rereader();
  qv_match_rereader(const qv_match_rereader&) = delete;
  qv_match_rereader& operator=(const qv_match_rereader&) = delete;

  /// Match (q, p), which must be one the summary holds, re-read; valid
  /// until the next call.
  const qv_reread_match& match(int q, int p);

 private:
  struct Batch {
    int firstQuery = 0;
    int endQuery = 0;
    std::vector<qv_reread_match> matches;  // maxRank + 1 per query, at (q - firstQuery) * (maxRank + 1) + p
  };
  static constexpr int kBatchQueries = 128;
  static constexpr int kFullRereadsBeforeWalk = 1000;

  const qv_reread_match* aheadMatch(int q, int p);
  void startWalkWhenDue(int q);
  void stopWalk();
  void fill(Batch& batch, int firstQuery, int endQuery, qv_resultsfile::SectionCursor& cursor) const;

  const qv_resultsfile& file_;
  const int numQueries_;
  const int maxRank_;
  const bool large_;
  const Way way_;
  const std::function<uint32_t(int)> ranksOf_;
  // The query re-read here last.
  int query_ = 0;
  uint32_t ranks_ = 0;  // bit p: rank p is read
  qv_reread_match matches_[16];
  std::optional<qv_resultsfile::SectionCursor> cursor_;
  int fullRereads_ = 0;
  bool walkTried_ = false;
  int walkFirstQuery_ = 0;
  // Last, so that the reading ahead stops before what it reads goes.
  std::unique_ptr<qv_match_companions> companions_;
  std::unique_ptr<qv_read_ahead<Batch>> ahead_;
  Batch* batch_ = nullptr;  // the batch handed out last
};
