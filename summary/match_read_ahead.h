#pragma once
// Reading the matches of the peptides section ahead of the peptide summary.
// Finding each "q%d_p%d" line and its "_terms" companion and splitting their
// values (the fast readers of peptide_scan.h) is about half the work of
// building a summary, and needs nothing the summary owns: a second thread
// does it for the queries ahead while the summary takes the matches already
// read, in query and rank order, and does everything that records errors or
// builds its records. The summary reads the same way by itself (one match at
// a time, through preReadMatch) for small files or when no thread can be had.
#include <cstdint>
#include <vector>

#include "results/peptide_scan.h"
#include "results/peptide_source.h"
#include "results/qv_resultsfile.h"
#include "summary/read_ahead.h"

/// A match found and split without recording anything.
struct qv_pre_read_match {
  int rank = 0;
  qv_valueref value;             ///< the "q%d_p%d" value (absent: nothing written at this rank)
  bool fast = false;             ///< `scan` holds the value; otherwise the full reader must read it
  qv_query_rank_scan scan;
  bool listFast = false;         ///< proteins [proteinsBegin, +proteinCount) hold the protein list
  uint32_t proteinsBegin = 0;
  uint32_t proteinCount = 0;
  /// qv_string_pool::hashOf the sequence and the modifications (when fast).
  uint64_t sequenceHash = 0;
  uint64_t modsHash = 0;
};

/// The proteins of the matches read, with qv_string_pool::hashOf each
/// accession, so that the summary's look-ups need not hash again.
struct qv_pre_read_proteins {
  std::vector<qv_protein_scan> scans;
  std::vector<uint64_t> hashes;
  void clear() {
    scans.clear();
    hashes.clear();
  }
};

/// Finds and splits match (q, p) through `cursor` (of the peptides
/// section), appending its proteins to `proteins`. Records nothing.
void qv_preReadMatch(qv_resultsfile::SectionCursor& cursor, int q, int p, qv_pre_read_match& out,
                     qv_pre_read_proteins& proteins);

class qv_match_read_ahead {
 public:
  /// The matches of queries [firstQuery, endQuery), ranks 1 to maxRank
  /// each, in order; queryBegin[i] is the first match of query firstQuery + i.
  struct Batch {
    int firstQuery = 0;
    int endQuery = 0;
    std::vector<uint32_t> queryBegin;
    std::vector<qv_pre_read_match> matches;
    qv_pre_read_proteins proteins;
  };

  /// Reads queries 1 to numQueries of `file` (which must outlive this
  /// object) in batches, on a second thread and, while it waits for the
  /// next batch, on the caller's thread too. Without a second thread the
  /// caller reads every batch itself.
  qv_match_read_ahead(const qv_resultsfile& file, int numQueries, int maxRank);

  /// The next batch in query order (the one returned before is given back);
  /// nullptr when every query has been handed out.
  const Batch* next() { return ahead_.next(); }

 private:
  static constexpr int kQueriesPerBatch = 256;
  qv_read_ahead<Batch> ahead_;
};
