#pragma once
// The ways a summary may take to the same answers, and where it changes
// from one to the other. Every way gives the same summary; the values only
// decide what is fast. The defaults are the ones the program uses; tests
// and benchmarks make a tuning of their own to compare the ways.
#include <cstddef>

/// How a summary re-reads matches for a report. AUTO: once 1,000 queries of
/// a large search have been re-read in full (the caller walks the search,
/// as the XML report does), the queries ahead are re-read on a second
/// thread, and a third marks which companions the matches have. AT_ONCE:
/// the same from the first query re-read in full, whatever the size, with
/// the marks made first. PLAIN: one query at a time, every companion asked
/// of the key index.
enum class qv_reread_way { AUTO, AT_ONCE, PLAIN };

struct qv_summary_tuning {
  /// Score the proteins in one walk over the reference store (true) or
  /// protein by protein.
  bool scoresInStoreOrder = true;
  /// Steps over fewer than this many items (references, as a rule) run as
  /// one part: starting a thread costs more than it saves (0 splits every
  /// step, SIZE_MAX none).
  size_t twoPartsMinItems = 65536;
  /// Peptide summaries of at least this many queries read their matches
  /// ahead on a second thread, and may re-read them ahead.
  int readAheadMinQueries = 2000;
  qv_reread_way rereadWay = qv_reread_way::AUTO;
};
