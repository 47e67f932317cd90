#include "summary/match_read_ahead.h"

#include <cstring>

#include "summary/string_pool.h"


namespace {
// The most ranks a search writes for a query.
constexpr int kMostRanks = 10;
}  // namespace

void qv_preReadMatch(qv_resultsfile::SectionCursor& cursor, int q, int p, qv_pre_read_match& out,
                     qv_pre_read_proteins& proteins) {
  out = qv_pre_read_match();
  out.rank = p;
  char key[48];
  const size_t keyLength = qv_formatPeptideKey(key, qv_peptide_form::QUERY_RANK, q, p);
  if (!cursor.findNearby(std::string_view(key, keyLength), out.value)) {
    // Not on the next lines: as a rule the query has no match at this rank
    // nor at those after it, which only the index can tell. Their slots are
    // fetched together, so that the waits for them overlap.
    for (int r = p + 1; r <= kMostRanks; ++r) {
      char later[48];
      cursor.prefetch(std::string_view(later, qv_formatPeptideKey(later, qv_peptide_form::QUERY_RANK, q, r)));
    }
    out.value = cursor.findInIndex(std::string_view(key, keyLength));
  }
  if (out.value.where != qv_valueref::IN_MEMORY) return;
  out.fast = qv_scanQueryRankValue(out.value.text, out.scan);
  if (!out.fast) return;
  out.sequenceHash = qv_string_pool::hashOf(out.scan.sequence);
  out.modsHash = qv_string_pool::hashOf(out.scan.varMods);
  if (out.scan.noMatch || qv_proteinListIsBlank(out.scan.proteinList)) return;
  std::memcpy(key + keyLength, "_terms", 6);
  const qv_valueref terms = cursor.find(std::string_view(key, keyLength + 6));
  if (terms.where == qv_valueref::ON_DISK) return;
  const size_t begin = proteins.scans.size();
  out.listFast = qv_scanProteinList(out.scan.proteinList, terms.text, proteins.scans);
  if (!out.listFast) {
    proteins.scans.resize(begin);
    return;
  }
  for (size_t i = begin; i < proteins.scans.size(); ++i)
    proteins.hashes.push_back(qv_string_pool::hashOf(proteins.scans[i].accession));
  out.proteinsBegin = static_cast<uint32_t>(begin);
  out.proteinCount = static_cast<uint32_t>(proteins.scans.size() - begin);
}

qv_match_read_ahead::qv_match_read_ahead(const qv_resultsfile& file, int numQueries, int maxRank)
    : ahead_(file, SEC_PEPTIDES, 1, numQueries, kQueriesPerBatch,
             [maxRank](Batch& batch, int firstQuery, int endQuery, qv_resultsfile::SectionCursor& cursor) {
               batch.firstQuery = firstQuery;
               batch.endQuery = endQuery;
               batch.queryBegin.clear();
               batch.matches.clear();
               batch.proteins.clear();
               for (int q = firstQuery; q < endQuery; ++q) {
                 batch.queryBegin.push_back(static_cast<uint32_t>(batch.matches.size()));
                 for (int p = 1; p <= maxRank; ++p) {
                   batch.matches.emplace_back();
                   qv_preReadMatch(cursor, q, p, batch.matches.back(), batch.proteins);
                 }
               }
               batch.queryBegin.push_back(static_cast<uint32_t>(batch.matches.size()));
             }) {}
