#pragma once
// Which matches of the peptides section have a "_primary_nl" or a "_subst"
// line ("q12_p3_primary_nl", "q12_p3_subst"). Re-reading a match for a
// report asks for both, and most matches have neither: each of those
// questions is a look-up in the section's large key index, a cache miss
// that only tells that the key is absent. One walk over the section's keys
// marks every companion that is there, query by query, so that a report
// walking the queries in order asks the index only for those.
//
// The walk takes a while on a large file, so it runs on a second thread
// while the report starts; until it is done the reader asks the index as
// before. The answers are the same either way: a line is marked when its
// key equals, letters compared without regard to case as the index
// compares them, the key the reader would ask for.
#include <atomic>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/threads.h"
#include "results/qv_resultsfile.h"

class qv_match_companions {
 public:
  enum Kind : int { PRIMARY_NL = 0, SUBST = 1 };

  /// Reads which matches (q 1 to numQueries, ranks 1 to maxRank, at most 16)
  /// of `file` (which must outlive this object) have companions: on a
  /// second thread when `inBackground` is true and a thread can be had,
  /// else here, before the constructor returns.
  qv_match_companions(const qv_resultsfile& file, int numQueries, int maxRank, bool inBackground);
  ~qv_match_companions();
  qv_match_companions(const qv_match_companions&) = delete;
  qv_match_companions& operator=(const qv_match_companions&) = delete;

  /// True once every key has been read; has() may be asked from then on.
  bool ready() const { return ready_.load(std::memory_order_acquire); }
  /// False when match (q, p) has no `kind` line; true when it may have one.
  bool has(int q, int p, Kind kind) const {
    if (q < 1 || q > numQueries_ || p < 1 || p > maxRank_) return true;
    return (marks_[static_cast<size_t>(q)] >> bit(p, kind) & 1) != 0;
  }

  /// The match and kind of a key of the peptides section: true when `key`
  /// is "q<q>_p<p>_primary_nl" or "q<q>_p<p>_subst" with q and p written
  /// as the reader writes them (decimal, no sign, no leading zero) and its
  /// letters in either case.
  static bool parseKey(std::string_view key, int& q, int& p, Kind& kind);

 private:
  static unsigned bit(int p, Kind kind) { return static_cast<unsigned>(2 * (p - 1) + kind); }
  void read();

  const qv_resultsfile& file_;
  const int numQueries_;
  const int maxRank_;
  std::vector<uint32_t> marks_;  // per query: bit 2 * (p - 1) + kind
  std::atomic<bool> ready_{false};
  qv_platform::BackgroundTask reader_;
};
