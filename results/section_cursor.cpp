#include "results/section_cursor.h"

#include <algorithm>
#include <cstring>

namespace qv_results {
namespace {

// Whether a key holds "=", LF or NUL (no line's whole key does). One pass
// over the key: a search for any of three bytes would search the three
// bytes once for each byte of the key.
bool holdsKeyEnd(std::string_view key) {
  for (char c : key)
    if (c == '=' || c == '\n' || c == '\0') return true;
  return false;
}

}  // namespace

SectionCursor::SectionCursor(const qv_resultsfile& file, int section)
    : file_(&file), section_(section) {
  const KeyTable* keys = file.fixedKeys(section);
  if (keys == nullptr || keys->size() == 0 || !file.fixed_[section].distinctKeys) return;
  // The body starts where indexSection() started to walk it.
  const char* text = file.text_.data();
  const uint32_t size = file.text_.size();
  uint32_t pos = file.text_.afterLineEnd(file.fixed_[section].start);
  while (pos < size && (text[pos] == '\r' || text[pos] == '\n')) ++pos;
  pos_ = pos;
  end_ = std::max(pos, std::min(file.fixed_[section].end, size));
}

bool SectionCursor::findNearby(std::string_view key, qv_valueref& value) {
  // The line at the cursor is the next one expected; a companion or two may
  // come first.
  constexpr int kLinesAhead = 8;
  const char* const text = file_->text_.data();
  if (key.empty() || holdsKeyEnd(key)) return false;
  // A key of plain bytes matched byte for byte, followed by "=", is the
  // line's whole key; only the peak-list marker needs the general reading.
  const bool marker = key == "Ions1";
  uint32_t p = pos_;
  for (int i = 0; i < kLinesAhead && p < end_; ++i) {
    const char* line = text + p;
    if (*line == '\0') {  // the index stops here too: no line after it is a key
      end_ = pos_ = p;
      return false;
    }
    const size_t rest = end_ - p;
    if (rest > key.size() && line[key.size()] == '=' && qv_results::sameBytes(line, key.data(), key.size())) {
      const char* after = line + key.size() + 1;
      if (marker) {
        value = file_->lineValue(line, key.size());
      } else {
        const size_t n = qv_results::lineRestLength(after);
        value = after[n] == '\0' || n == 0 ? qv_valueref{} : qv_valueref{qv_valueref::IN_MEMORY, {after, n}, 0};
        after += n;
      }
      // The value ends at the line's end as a rule: the next line follows.
      if (*after == '\n') {
        pos_ = static_cast<uint32_t>(after - text) + 1;
      } else {
        const void* lf = std::memchr(after, '\n', static_cast<size_t>(text + end_ - after));
        pos_ = lf == nullptr ? end_ : static_cast<uint32_t>(static_cast<const char*>(lf) - text) + 1;
      }
      return true;
    }
    const void* lf = std::memchr(line, '\n', rest);
    p = lf == nullptr ? end_ : static_cast<uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
  return false;
}

void SectionCursor::resumeAfter(const qv_valueref& value) {
  // Every line of the section's body lies before end_.
  const char* const text = file_->text_.data();
  const char* valueEnd = value.text.data() + value.text.size();
  if (value.where == qv_valueref::IN_MEMORY && end_ != 0 && valueEnd >= text && valueEnd <= text + end_) {
    const void* lf = std::memchr(valueEnd, '\n', static_cast<size_t>(text + end_ - valueEnd));
    pos_ = lf == nullptr ? end_ : static_cast<uint32_t>(static_cast<const char*>(lf) - text) + 1;
  }
}

qv_valueref SectionCursor::find(std::string_view key) {
  qv_valueref value;
  if (findNearby(key, value)) return value;
  return findInIndex(key);
}

qv_valueref SectionCursor::findInIndex(std::string_view key) {
  const qv_valueref value = file_->findSectionValue(section_, key);
  resumeAfter(value);  // found elsewhere: reading goes on after it
  return value;
}

void SectionCursor::prefetch(std::string_view key) const {
  const KeyTable* keys = file_->fixedKeys(section_);
  if (keys == nullptr || keys->size() == 0 || keys->isList()) return;
  // The key with zero bytes after it, as hashKey reads it (a hint: a key
  // too long for the buffer is not fetched).
  char padded[64] = {};
  if (key.size() > sizeof padded - qv_results::kTextPadding - 1) return;
  std::memcpy(padded, key.data(), key.size());
  keys->prefetch(qv_results::hashKey(padded));
}

}  // namespace qv_results

qv_results::SectionCursor qv_resultsfile::sectionCursor(int section) const { return SectionCursor(*this, section); }
