#pragma once
// A reader of one fixed section of a results file (qv_resultsfile.h) that
// walks its lines in the order of the file, asking the key index only for a
// key not found on the next few lines.
#include <cstdint>
#include <string_view>

#include "results/qv_resultsfile.h"

namespace qv_results {

/// Reads a fixed section's lines in the order of the file, for a reader
/// that asks for most keys of a big section in about the order they are
/// written (a summary reads every match of the peptides section). find()
/// looks for the key on the next few lines first and asks the key index
/// only when it is not there; a line found either way moves the cursor past
/// it. Its answers are exactly those of findSectionValue(): a line is taken
/// only when its key is byte for byte the key asked for, and only in a
/// section where no key is written twice (elsewhere every call asks the
/// index). When the order holds, no key is hashed and the index's
/// far-away memory is never read. The file must outlive the cursor.
class SectionCursor {
 public:
  qv_valueref find(std::string_view key);
  /// The first half of find(): true, with the value (or absent for an
  /// empty value), when the key's line is among the next few; false when
  /// only the index can tell. A caller with several keys to ask the index
  /// for asks them together (findSectionValues) and calls resumeAfter()
  /// with what it found.
  bool findNearby(std::string_view key, qv_valueref& value);
  /// Reading goes on after the line of `value` (a value of this section).
  void resumeAfter(const qv_valueref& value);
  /// The second half of find(): the key asked of the index, reading going
  /// on after its line when it is found.
  qv_valueref findInIndex(std::string_view key);
  /// Asks the processor to fetch the index slot of a key that the index
  /// will be asked for soon (a key not expected on the next lines).
  void prefetch(std::string_view key) const;

 private:
  friend class ::qv_resultsfile;
  SectionCursor(const qv_resultsfile& file, int section);
  const qv_resultsfile* file_;
  int section_;
  uint32_t pos_ = 0;
  uint32_t end_ = 0;  // pos_ == end_: nothing to read in order
};

}  // namespace qv_results
