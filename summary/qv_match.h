#pragma once
// The two compact records of a summary: one per match of the file, and one
// per peptide listed under a protein (pointing to its match by number).
#include <cstdint>
#include <type_traits>

/// A summary's record of one match ("q%d_p%d" or "h%d_q%d"). Its sequence
/// and modifications string are numbers in the summary's string pool; the
/// qv_peptide object is made from the file when a caller asks for it.
struct qv_match {
  double ionsScore = 0;
  int32_t query = 0;
  int32_t rank = 0;  ///< the rank, or the hit number in a protein summary
  int32_t prettyRank = 0;
  int32_t claimingHit = 0;
  uint32_t sequence = 0;       ///< in the summary's string pool
  uint32_t mods = 0;           ///< in the summary's string pool
  uint32_t proteinsBegin = 0;  ///< the proteins it was added to, in the summary's list
  uint16_t proteinCount = 0;
};

/// One peptide listed under a protein.
struct qv_peptide_ref {
  uint32_t match = 0;  ///< the summary's match record
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
  int32_t frame = 0;
  char residueBefore = '?';
  char residueAfter = '?';
  int8_t dupFlags = 0;   ///< bits 1 same query, 2 same sequence, 4 same modifications, 8 same place
  int8_t dupStatus = 0;  ///< a qv_protein::DupStatus value
  bool bold = false;
  bool red = false;
};

// Lists of references are moved and copied as bytes.
static_assert(std::is_trivially_copyable_v<qv_peptide_ref>);
