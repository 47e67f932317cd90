#pragma once
// Distinct short texts (peptide sequences, modification strings), each kept
// once and named by a 32-bit number. The matches of a search repeat a few
// thousand sequences and a handful of modification strings hundreds of
// thousands of times: keeping each once makes a summary's records small, and
// two matches have the same text exactly when they have the same number, so
// duplicates and grouping compare numbers instead of texts.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "results/line_keys.h"

class qv_string_pool {
 public:
  /// Number 0 is the empty text.
  qv_string_pool();

  static constexpr uint32_t kNone = UINT32_MAX;

  /// The number of `text`, added when new. A pool that would grow beyond
  /// 4 GB of text (no real search) gives 0 for new texts.
  uint32_t intern(std::string_view text) { return intern(text, hashOf(text)); }
  /// The same with hashOf(text) worked out already (by another thread).
  uint32_t intern(std::string_view text, uint64_t hash);
  /// The number of `text`, or kNone when it is not in the pool.
  uint32_t find(std::string_view text) const;
  /// Asks the processor to fetch the slot a text of this hash starts at: a
  /// pool of many texts is probed at random.
  void prefetch(uint64_t hash) const { __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]); }
  /// The text of number `id` (which intern() gave).
  std::string_view get(uint32_t id) const {
    return std::string_view(text_.data() + begin_[id], begin_[id + 1] - begin_[id]);
  }
  /// The hash the pool uses: a few cycles for a short text, where a general
  /// byte hash costs tens.
  static uint64_t hashOf(std::string_view text);
  /// Whether two texts are equal, as operator== tells, compared in place
  /// (a probe compares a text of ten to thirty bytes).
  static bool sameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() && qv_results::sameBytes(a.data(), b.data(), a.size());
  }
  /// Number of distinct texts, the empty one included.
  uint32_t size() const { return static_cast<uint32_t>(begin_.size() - 1); }

 private:
  void grow();

  std::string text_;
  std::vector<uint32_t> begin_;  // offset of each text in text_, and the end of the last
  std::vector<uint64_t> slots_;  // open addressing: upper hash bits, number + 1; 0 when empty
};
