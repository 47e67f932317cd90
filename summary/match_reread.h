#pragma once
// Re-reading a query's matches from the peptides section to hand out their
// peptide objects. The summary keeps a compact record of each match, so a
// report that shows every match (the XML report) reads each again: its
// "q%d_p%d" value, split by the fast reader, and its two companions
// "_primary_nl" and "_subst". None of it records anything or touches the
// summary, so a report walking the whole search has the queries ahead re-read
// on a second thread (qv_read_ahead) while it writes.
#include <cstdint>
#include <string_view>

#include "results/qv_peptide.h"
#include "results/qv_resultsfile.h"
#include "summary/match_companions.h"

/// A match re-read without recording anything. Its texts are views of the
/// file's text held in memory, valid as long as the file: a match read on
/// one thread and made into a peptide on another hands over no memory of
/// its own.
struct qv_reread_match {
  enum State : uint8_t {
    FULL_READER,  ///< not read here: the full reader must read it (and record what it finds)
    NO_MATCH,     ///< the value is "-1"
    SPLIT,        ///< the fields below hold the match
  };
  State state = FULL_READER;
  qv_peptide::Values numbers;  ///< its numbers; the texts are left empty
  std::string_view sequence;
  std::string_view varMods;
  std::string_view seriesUsed;
  bool hasPrimaryNl = false;
  std::string_view primaryNl;
  bool hasSubstitutions = false;
  std::string_view substitutions;  ///< the "_subst" value

  /// The values, texts and all.
  qv_peptide::Values values() const;
};

/// Re-reads the matches of query q at the ranks whose bits (1 << p, p from
/// 1 to 15) are set in `ranks` into out[p], through `cursor` (of the
/// peptides section). `marks`, when given and ready, spares the index the
/// companions a match does not have. Records nothing.
void qv_rereadQuery(const qv_resultsfile& file, qv_resultsfile::SectionCursor& cursor,
                    const qv_match_companions* marks, int q, uint32_t ranks, qv_reread_match* out);
