#include "results/section_index.h"

#include <new>
#include <string>

#include "results/line_starts.h"
#include "results/qv_resultsfile.h"

namespace qv_results {
namespace {

// The errors an index records are the results file's.
using enum qv_resultsfile::ResultsFileError;

// A few key lines (a query section, as a rule), listed in one walk of the
// body from `pos`: false, with nothing built, when there are more than a
// list takes.
template <typename EqualKey>
bool listKeys(const char* text, uint32_t size, uint32_t pos, IndexedSection& section, ListArena* lists,
              const EqualKey& equalKey) {
  uint32_t few[KeyTable::kListMax];
  size_t n = 0;
  bool tooMany = false;
  qv_results::forEachLineStart(text, size, pos, section.end, [&](uint32_t o) {
    if (text[o] == '\0') return false;
    if (!qv_results::lineHoldsKey(text + o)) return true;
    tooMany = n == KeyTable::kListMax;
    if (!tooMany) few[n++] = o;
    return !tooMany;
  });
  if (tooMany) return false;
  section.keys = KeyTable(n, lists);
  for (size_t k = 0; k < n; ++k) {
    if (section.keys.insert(text, few[k]) != KeyTable::kNone) equalKey(few[k]);
  }
  return true;
}

// More key lines: a hash table sized by the line ends of the body, then
// filled in one pass, hashing each line while it is in the cache; slots are
// prefetched a batch ahead of their use. False, with the error recorded,
// when the table cannot be had.
template <typename EqualKey>
bool hashKeys(const char* text, uint32_t size, uint32_t pos, IndexedSection& section, qv_errors& errors,
              const EqualKey& equalKey) {
  const size_t lineCount = pos < section.end ? qv_results::countLineFeeds(text + pos, section.end - pos) + 1 : 1;
  try {
    section.keys = KeyTable(lineCount);
  } catch (const std::bad_alloc&) {
    errors.setError(ERR_OUT_OF_MEMORY, KeyTable::bytesFor(lineCount));
    return false;
  }
  constexpr size_t kBatch = 64;
  uint32_t lines[kBatch];
  uint64_t hashes[kBatch];
  size_t pending = 0;
  const auto flush = [&]() {
    for (size_t k = 0; k < pending; ++k) {
      if (section.keys.insert(text, lines[k], hashes[k]) != KeyTable::kNone) equalKey(lines[k]);
    }
    pending = 0;
  };
  qv_results::forEachLineStart(text, size, pos, section.end, [&](uint32_t o) {
    if (text[o] == '\0') return false;
    size_t keyLength;
    const uint64_t hash = qv_results::hashKey(text + o, &keyLength);
    if (text[o + keyLength] != '=') return true;
    lines[pending] = o;
    hashes[pending] = hash;
    section.keys.prefetch(hash);
    if (++pending == kBatch) flush();
    return true;
  });
  flush();
  return true;
}

}  // namespace

// The end of the section whose token is at `start`: in the MIME dialect the
// start of the boundary line before the next "Content-Type:", in the bracket
// dialect the line feed before the next "[" that starts a line, else the
// end of the text.
uint32_t SectionIndexer::sectionEnd(uint32_t start) const {
  const uint32_t sep = text_.find(start, separator_);
  if (sep == kNoPos) return text_.size();
  return bracketDialect_ ? sep : boundaryLineStart(sep);
}

// From a "Content-Type:" back to the start of its line, over the line end
// before it, and back to the start of that (boundary) line.
uint32_t SectionIndexer::boundaryLineStart(uint32_t p) const {
  const char* text = text_.data();
  const auto lineStart = [text](uint32_t o) {
    while (o > 0 && text[o - 1] != '\n') --o;
    return o;
  };
  p = lineStart(p);
  if (p == 0) return p;
  --p;  // the line feed before it
  if (p > 0 && text[p - 1] == '\r') --p;
  return lineStart(p);
}

// Finds the section's end from its token and builds its key table: a list
// for a few keys, a hash table for more.
void SectionIndexer::indexSection(IndexedSection& section, int fixedSection, qv_errors& errors,
                                  qv_results::ListArena* lists) const {
  section.end = sectionEnd(section.start);
  const char* const text = text_.data();
  const uint32_t size = text_.size();
  uint32_t pos = text_.afterLineEnd(section.start);
  while (pos < size && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
  std::string header;  // the header line from the token on, named by duplicate-key errors
  bool distinct = true;  // no key seen twice (so far)
  // A line whose key is already there (the first one stays).
  const auto equalKey = [&](uint32_t line) {
    distinct = false;
    const std::string_view key(text + line, qv_results::lineKeyLength(text + line));
    if (fixedSection == SEC_PROTEINS) {
      errors.setError(ERR_DUPLICATE_ACCESSION, key);
      return;
    }
    if (header.empty()) {
      header.assign(text + section.start, qv_results::lineRestLength(text + section.start));
    }
    errors.setError(ERR_DUPLICATE_KEY, key, header);
  };
  // Lines are walked up to the section's end or a NUL where a line begins;
  // lines without "=" hold no key and are left out.
  if (listKeys(text, size, pos, section, lists, equalKey) || hashKeys(text, size, pos, section, errors, equalKey)) {
    section.distinctKeys = distinct;
  }
}

}  // namespace qv_results
