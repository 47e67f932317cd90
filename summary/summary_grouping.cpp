#include "summary/summary_grouping.h"

#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace qv_grouping {
namespace {

// What makes two peptides the same: the sequence, or the query in the mode
// that compares by query.
struct Key {
  std::string_view sequence;
  int32_t query = 0;
  bool operator==(const Key& o) const { return query == o.query && sequence == o.sequence; }
};

struct KeyHash {
  size_t operator()(const Key& k) const {
    return std::hash<std::string_view>()(k.sequence) ^ (static_cast<size_t>(k.query) * 0x9E3779B97F4A7C15ULL);
  }
};

using KeySet = std::unordered_set<Key, KeyHash>;

const qv_match& matchOf(const qv_peptide_ref& ref, const Settings& s) { return (*s.matches)[ref.match]; }

std::string_view sequenceOf(const qv_peptide_ref& ref, const Settings& s) {
  const qv_match& m = matchOf(ref, s);
  return std::string_view(*s.text).substr(m.textBegin, m.sequenceLength);
}

Key keyOf(const qv_peptide_ref& ref, const Settings& s) {
  if (s.byQuery) return Key{{}, matchOf(ref, s).query};
  return Key{sequenceOf(ref, s), 0};
}

bool counts(const qv_peptide_ref& ref, const Settings& s) {
  return static_cast<int>(matchOf(ref, s).sequenceLength) >= s.minPeptideLength;
}

void keysOf(const qv_protein& p, const Settings& s, KeySet& out) {
  out.clear();
  for (const qv_peptide_ref& ref : p.refs()) out.insert(keyOf(ref, s));
}

// Whether walker b (whose keys are `bKeys`) absorbs the lower protein a, and how.
qv_protein::Status compare(const qv_protein& a, const qv_protein& b, const KeySet& bKeys, const Settings& s) {
  bool any = false;
  for (const qv_peptide_ref& ref : a.refs()) {
    if (!counts(ref, s)) continue;
    any = true;
    if (bKeys.find(keyOf(ref, s)) == bKeys.end()) return qv_protein::INDEPENDENT;
  }
  if (!any) return qv_protein::INDEPENDENT;
  if (a.refs().size() != b.refs().size()) return qv_protein::SUBSET;
  for (size_t i = 0; i < a.refs().size(); ++i)
    if (!(keyOf(a.refs()[i], s) == keyOf(b.refs()[i], s))) return qv_protein::SUBSET;
  return qv_protein::SAMESET;
}

void tryAbsorb(qv_protein& a, const qv_protein& b, const KeySet& bKeys, const Settings& s) {
  if (a.getStatus() != qv_protein::INDEPENDENT || a.isMixture() != b.isMixture()) return;
  qv_protein::Status status = compare(a, b, bKeys, s);
  if (status != qv_protein::INDEPENDENT) a.setGrouped(status, b.getAccession());
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

}  // namespace

bool stopsAt(int n, double score, int maxHits, double minScore) {
  return n > 50 && (n > maxHits || score < minScore);
}

size_t groupProteins(const std::vector<qv_protein*>& hits, const Settings& s) {
  // Each protein is listed under its first counting peptide only.
  std::unordered_map<Key, std::vector<size_t>, KeyHash> index;
  for (size_t j = 0; j < hits.size(); ++j) {
    for (const qv_peptide_ref& ref : hits[j]->refs()) {
      if (!counts(ref, s)) continue;
      index[keyOf(ref, s)].push_back(j);
      break;
    }
  }
  KeySet bKeys;
  return walk(hits, s, [&](size_t i) {
    const qv_protein& b = *hits[i];
    keysOf(b, s, bKeys);
    for (const Key& key : bKeys) {
      auto found = index.find(key);
      if (found == index.end()) continue;
      // Proteins at or above this walker, or already grouped, are never
      // looked at again: the list keeps only those that may still be absorbed.
      std::vector<size_t>& list = found->second;
      size_t kept = 0;
      for (size_t j : list) {
        if (j <= i) continue;
        tryAbsorb(*hits[j], b, bKeys, s);
        if (hits[j]->getStatus() == qv_protein::INDEPENDENT) list[kept++] = j;
      }
      list.resize(kept);
    }
  });
}

size_t groupProteinsPairwise(const std::vector<qv_protein*>& hits, const Settings& s) {
  KeySet bKeys;
  return walk(hits, s, [&](size_t i) {
    keysOf(*hits[i], s, bKeys);
    for (size_t j = i + 1; j < hits.size(); ++j) tryAbsorb(*hits[j], *hits[i], bKeys, s);
  });
}

}  // namespace qv_grouping
