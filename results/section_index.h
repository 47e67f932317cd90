#pragma once
// Indexing a section of a results file's text (qv_resultsfile.h): finding
// where it ends by the separator of the file's dialect, and building the key
// table of its body.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "errors/qv_errors.h"
#include "results/key_table.h"
#include "results/results_text.h"

namespace qv_results {

/// A section of the text: where its token lies and where it ends, and the
/// key table of its body.
struct IndexedSection {
  uint32_t start = qv_results::kNoPos;  // the token's offset; kNoPos when missing
  uint32_t end = qv_results::kNoPos;
  qv_results::KeyTable keys;
  bool distinctKeys = false;  // every line of the body is in `keys` under a key of its own
};

/// Indexes the sections of one text in one dialect. Holds the text and the
/// separator by reference: both must outlive it.
class SectionIndexer {
 public:
  /// `separator` ends a section: "\n[" in the bracket dialect; in the MIME
  /// dialect "Content-Type:", the section ending at the boundary line before it.
  SectionIndexer(const ResultsText& text, bool bracketDialect, std::string_view separator)
      : text_(text), bracketDialect_(bracketDialect), separator_(separator) {}

  /// Finds the end of the section whose token is at section.start and
  /// builds its key table, recording its errors in `errors`: keys written
  /// twice (accessions written twice in the proteins section, `fixedSection`
  /// SEC_PROTEINS; -1 for a query section) and a table that cannot be had.
  /// A list for a few keys takes its room from `lists` when one is given.
  void indexSection(IndexedSection& section, int fixedSection, qv_errors& errors, ListArena* lists = nullptr) const;

 private:
  uint32_t sectionEnd(uint32_t start) const;
  uint32_t boundaryLineStart(uint32_t p) const;

  const ResultsText& text_;
  bool bracketDialect_;
  std::string_view separator_;
};

/// Calls f(line) for each line of a section's body, as the key index walked
/// it (up to a NUL where a line starts).
template <typename F>
void forEachBodyLine(const ResultsText& resultsText, const IndexedSection& section, F&& f) {
  const char* text = resultsText.data();
  const uint32_t size = resultsText.size();
  const uint32_t end = std::min(section.end, size);
  uint32_t pos = resultsText.afterLineEnd(section.start);
  while (pos < size && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
  while (pos < end && text[pos] != '\0') {
    f(text + pos);
    const void* lf = std::memchr(text + pos, '\n', end - pos);
    pos = lf == nullptr ? end : static_cast<uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
}

}  // namespace qv_results
