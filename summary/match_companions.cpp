#include "summary/match_companions.h"

#include <climits>
#include <new>

#include "platform/ascii.h"

namespace {

// A positive decimal number without leading zeros at `at`, saturating
// rather than overflowing (callers reject values out of their range).
bool readNumber(std::string_view key, size_t& at, int& value) {
  if (at >= key.size() || key[at] < '1' || key[at] > '9') return false;
  int64_t v = 0;
  while (at < key.size() && key[at] >= '0' && key[at] <= '9') {
    v = v * 10 + (key[at] - '0');
    if (v > INT_MAX) v = INT_MAX;
    ++at;
  }
  value = static_cast<int>(v);
  return true;
}

bool equalsFolded(std::string_view text, std::string_view upperCase) {
  if (text.size() != upperCase.size()) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (qv_platform::asciiUpper(text[i]) != upperCase[i]) return false;
  return true;
}

}  // namespace

bool qv_match_companions::parseKey(std::string_view key, int& q, int& p, Kind& kind) {
  size_t at = 0;
  if (key.empty() || qv_platform::asciiUpper(key[0]) != 'Q') return false;
  at = 1;
  if (!readNumber(key, at, q)) return false;
  if (key.size() < at + 2 || key[at] != '_' || qv_platform::asciiUpper(key[at + 1]) != 'P') return false;
  at += 2;
  if (!readNumber(key, at, p)) return false;
  const std::string_view rest = key.substr(at);
  if (equalsFolded(rest, "_PRIMARY_NL")) {
    kind = PRIMARY_NL;
    return true;
  }
  if (equalsFolded(rest, "_SUBST")) {
    kind = SUBST;
    return true;
  }
  return false;
}

qv_match_companions::qv_match_companions(const qv_resultsfile& file, int numQueries, int maxRank, bool inBackground)
    : file_(file), numQueries_(numQueries < 0 ? 0 : numQueries), maxRank_(maxRank > 16 ? 16 : maxRank) {
  if (inBackground) {
    reader_.startOrRunHere([this] { read(); });
  } else {
    read();
  }
}

qv_match_companions::~qv_match_companions() { reader_.join(); }

// Should the marks not fit in memory, they are never ready and the index
// answers every question.
void qv_match_companions::read() {
  try {
    marks_.assign(static_cast<size_t>(numQueries_) + 1, 0);
  } catch (const std::bad_alloc&) {
    return;
  }
  file_.forEachSectionKey(SEC_PEPTIDES, [this](std::string_view key) {
    int q = 0;
    int p = 0;
    Kind kind = PRIMARY_NL;
    if (!parseKey(key, q, p, kind) || q > numQueries_ || p > maxRank_) return;
    marks_[static_cast<size_t>(q)] |= uint32_t{1} << bit(p, kind);
  });
  ready_.store(true, std::memory_order_release);
}
