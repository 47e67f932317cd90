#include "summary/summary_grouping.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <string_view>
#include <unordered_set>

#include "platform/threads.h"

namespace qv_grouping {
namespace {

const qv_match& matchOf(const qv_peptide_ref& ref, const Settings& s) { return (*s.matches)[ref.match]; }

bool counts(const qv_peptide_ref& ref, const Settings& s) {
  return static_cast<int>(s.strings->get(matchOf(ref, s).sequence).size()) >= s.minPeptideLength;
}

// Calls f(ref) for each reference of `refs` in order while it returns true.
// References and their match records lie scattered over memory in a big
// search, so each is asked for well before it is used.
template <typename F>
void forEachRef(const qv_ref_list& refs, const Settings& s, F f) {
  constexpr size_t kAhead = 16;
  const size_t n = refs.size();
  for (size_t i = 0; i < n; ++i) {
    refs.prefetch(i + kAhead);
    if (i + kAhead / 2 < n) __builtin_prefetch(&(*s.matches)[refs[i + kAhead / 2].match]);
    if (!f(refs[i])) return;
  }
}

// Walks the independent hits in order, calling absorb(i) for each walker at
// position i; returns where the walk stopped.
template <typename Absorb>
size_t walk(const std::vector<qv_protein*>& hits, const Settings& s, Absorb absorb) {
  int walkers = 0;
  for (size_t i = 0; i < hits.size(); ++i) {
    const qv_protein& b = *hits[i];
    if (b.getStatus() != qv_protein::INDEPENDENT) continue;
    if (s.limitWalk && stopsAt(walkers + 1, b.getScore(), s.maxHits, s.minScore)) return i;
    ++walkers;
    absorb(i);
  }
  return hits.size();
}

// Whether walker b absorbs the lower protein a, and how; `holds(ref)` tells
// whether b holds the peptide of a reference, `same(x, y)` whether two
// references name the same peptide.
template <typename Holds, typename Same>
qv_protein::Status compare(const qv_protein& a, const qv_protein& b, const Settings& s, Holds holds, Same same) {
  bool any = false;
  bool all = true;
  forEachRef(a.refs(), s, [&](const qv_peptide_ref& ref) {
    if (!counts(ref, s)) return true;
    any = true;
    all = holds(ref);
    return all;
  });
  if (!any || !all) return qv_protein::INDEPENDENT;
  if (a.refs().size() != b.refs().size()) return qv_protein::SUBSET;
  for (size_t i = 0; i < a.refs().size(); ++i)
    if (!same(a.refs()[i], b.refs()[i])) return qv_protein::SUBSET;
  return qv_protein::SAMESET;
}

template <typename Holds, typename Same>
void tryAbsorb(qv_protein& a, const qv_protein& b, const Settings& s, Holds holds, Same same) {
  if (a.getStatus() != qv_protein::INDEPENDENT || a.isMixture() != b.isMixture()) return;
  qv_protein::Status status = compare(a, b, s, holds, same);
  if (status != qv_protein::INDEPENDENT) a.setGrouped(status, b.getAccession());
}

// The numbers of the peptides: a sequence's number in the pool, or the query.
// Queries are used as they are when they are small numbers that are not
// negative (always, in files the engine writes), and are numbered afresh
// otherwise, so that the arrays indexed by them stay small.
class Keys {
 public:
  explicit Keys(const Settings& s) : s_(s) {
    if (!s.byQuery) {
      count_ = s.strings->size();
      return;
    }
    int64_t lo = 0, hi = -1;
    for (const qv_match& m : *s.matches) {
      lo = std::min<int64_t>(lo, m.query);
      hi = std::max<int64_t>(hi, m.query);
    }
    if (lo >= 0 && hi < static_cast<int64_t>(2 * s.matches->size() + 1024)) {
      count_ = static_cast<uint32_t>(hi + 1);
      return;
    }
    std::unordered_map<int32_t, uint32_t> numbers;
    byMatch_.reserve(s.matches->size());
    for (const qv_match& m : *s.matches)
      byMatch_.push_back(numbers.try_emplace(m.query, static_cast<uint32_t>(numbers.size())).first->second);
    count_ = static_cast<uint32_t>(numbers.size());
  }
  uint32_t count() const { return count_; }
  uint32_t of(const qv_peptide_ref& ref) const {
    if (!byMatch_.empty()) return byMatch_[ref.match];
    const qv_match& m = matchOf(ref, s_);
    return s_.byQuery ? static_cast<uint32_t>(m.query) : m.sequence;
  }

 private:
  const Settings& s_;
  std::vector<uint32_t> byMatch_;
  uint32_t count_ = 0;
};

// The plain form of a peptide for the reference walk: its text, or its query.
struct TextKey {
  std::string_view sequence;
  int32_t query = 0;
  bool operator==(const TextKey& o) const { return query == o.query && sequence == o.sequence; }
};

struct TextKeyHash {
  size_t operator()(const TextKey& k) const {
    return std::hash<std::string_view>()(k.sequence) ^ (static_cast<size_t>(k.query) * 0x9E3779B97F4A7C15ULL);
  }
};

TextKey textKeyOf(const qv_peptide_ref& ref, const Settings& s) {
  if (s.byQuery) return TextKey{{}, matchOf(ref, s).query};
  return TextKey{s.strings->get(matchOf(ref, s).sequence), 0};
}

}  // namespace

bool stopsAt(int n, double score, int maxHits, double minScore) {
  return n > 50 && (n > maxHits || score < minScore);
}

size_t groupProteins(const std::vector<qv_protein*>& hits, const Settings& s) {
  constexpr uint32_t kNone = UINT32_MAX;
  constexpr uint32_t kNotCounting = 0x80000000u;
  const Keys keys(s);
  if (keys.count() >= kNotCounting) return groupProteinsPairwise(hits, s);  // no real search
  // The key of every reference in the store, marked when the reference does
  // not count: read once in store order, so that the walks below read one
  // number per reference instead of a reference and its match record.
  // A big store is read in two halves at once (each writes its own half).
  const size_t entries = s.refs->size();
  const std::unique_ptr<uint32_t[]> entryKey = std::make_unique_for_overwrite<uint32_t[]>(entries);
  const auto readKeys = [&](size_t from, size_t to) {
    for (size_t e = from; e < to; ++e) {
      const qv_peptide_ref& ref = (*s.refs)[static_cast<uint32_t>(e)];
      entryKey[e] = keys.of(ref) | (counts(ref, s) ? 0 : kNotCounting);
    }
  };
  if (entries >= s.twoPartsMinItems && entries >= 2)
    qv_platform::runSideBySide([&] { readKeys(0, entries / 2); }, [&] { readKeys(entries / 2, entries); });
  else
    readKeys(0, entries);
  // The keys of a list, fetched ahead: a list's references lie scattered.
  const auto keyAt = [&](const qv_ref_list& refs, size_t i) {
    if (i + 16 < refs.size()) __builtin_prefetch(&entryKey[refs.number(i + 16)]);
    return entryKey[refs.number(i)];
  };
  // Each protein is listed under its first counting peptide only: a list
  // per peptide, linked through next[], in hit-list order.
  std::vector<uint32_t> head(keys.count(), kNone);
  std::vector<uint32_t> next(hits.size(), kNone);
  for (size_t j = hits.size(); j-- > 0;) {
    const qv_ref_list& refs = hits[j]->refs();
    for (size_t i = 0; i < refs.size(); ++i) {
      const uint32_t key = keyAt(refs, i);
      if ((key & kNotCounting) != 0) continue;
      next[j] = head[key];
      head[key] = static_cast<uint32_t>(j);
      break;
    }
  }
  // mark[key] is 2w when walker w holds that peptide, 2w + 1 once its list
  // has been looked at for w.
  std::vector<uint64_t> mark(keys.count(), 0);
  uint64_t walker = 0;
  // Whether walker b (marked `held`) absorbs the lower protein a, and how.
  const auto compare = [&](const qv_protein& a, const qv_protein& b, uint64_t held) {
    const qv_ref_list& ar = a.refs();
    const qv_ref_list& br = b.refs();
    bool any = false;
    for (size_t i = 0; i < ar.size(); ++i) {
      const uint32_t key = keyAt(ar, i);
      if ((key & kNotCounting) != 0) continue;
      any = true;
      if (mark[key] < held) return qv_protein::INDEPENDENT;
    }
    if (!any) return qv_protein::INDEPENDENT;
    if (ar.size() != br.size()) return qv_protein::SUBSET;
    for (size_t i = 0; i < ar.size(); ++i)
      if (((keyAt(ar, i) ^ keyAt(br, i)) & ~kNotCounting) != 0) return qv_protein::SUBSET;
    return qv_protein::SAMESET;
  };
  return walk(hits, s, [&](size_t i) {
    const qv_protein& b = *hits[i];
    const qv_ref_list& refs = b.refs();
    const uint64_t held = 2 * ++walker;
    for (size_t r = 0; r < refs.size(); ++r) mark[keyAt(refs, r) & ~kNotCounting] = held;
    for (size_t r = 0; r < refs.size(); ++r) {
      const uint32_t key = keyAt(refs, r) & ~kNotCounting;
      if (mark[key] != held) continue;  // its list is done
      mark[key] = held + 1;
      // Proteins at or above this walker, or already grouped, are never
      // looked at again: they leave the list.
      uint32_t* link = &head[key];
      while (*link != kNone) {
        const uint32_t j = *link;
        qv_protein& a = *hits[j];
        if (j > i && a.getStatus() == qv_protein::INDEPENDENT && a.isMixture() == b.isMixture()) {
          const qv_protein::Status status = compare(a, b, held);
          if (status != qv_protein::INDEPENDENT) a.setGrouped(status, b.getAccession());
        }
        if (j > i && a.getStatus() == qv_protein::INDEPENDENT)
          link = &next[j];
        else
          *link = next[j];
      }
    }
  });
}

size_t groupProteinsPairwise(const std::vector<qv_protein*>& hits, const Settings& s) {
  std::unordered_set<TextKey, TextKeyHash> bKeys;
  const auto same = [&](const qv_peptide_ref& x, const qv_peptide_ref& y) { return textKeyOf(x, s) == textKeyOf(y, s); };
  const auto holds = [&](const qv_peptide_ref& ref) { return bKeys.count(textKeyOf(ref, s)) != 0; };
  return walk(hits, s, [&](size_t i) {
    bKeys.clear();
    for (const qv_peptide_ref& ref : hits[i]->refs()) bKeys.insert(textKeyOf(ref, s));
    for (size_t j = i + 1; j < hits.size(); ++j) tryAbsorb(*hits[j], *hits[i], s, holds, same);
  });
}

}  // namespace qv_grouping
