#pragma once
// A fast reader of the "q%d_p%d" value string and its protein list for the
// summaries, which read every match of a search (hundreds of thousands of
// them). It reads the common, well-formed value without allocating and
// gives views into the value text; for anything the full readers of
// peptide_string.h might read differently or record a problem about (a
// field that starts with a blank or a quote, too few fields, an empty
// accession, a missing number, a short "_terms" pair, ...) it answers false
// and records nothing, and the caller hands the match to the full reader.
// Whatever it accepts, it reads exactly as the full readers do; the tests
// hold it to them.
#include <cstdint>
#include <string_view>
#include <vector>

/// What a summary keeps of a "q%d_p%d" value.
struct qv_query_rank_scan {
  bool noMatch = false;  ///< the value "-1", or missed cleavages of -1
  double ionsScore = 0;
  std::string_view sequence;
  std::string_view varMods;
  std::string_view proteinList;  ///< the text after the eleven fields
};

/// Reads `value` (not empty) as qv_readQueryRankPeptide would; false when the
/// full reader must read it.
bool qv_scanQueryRankValue(std::string_view value, qv_query_rank_scan& out);

/// The eleven fields of a value that is not "-1", split as the full reader
/// splits them, and the protein list after them; false when the full reader
/// must read the value.
bool qv_scanQueryRankFields(std::string_view value, std::string_view (&fields)[11], std::string_view& proteinList);
/// The same, byte by byte: the plain version the tests hold the fast one to.
bool qv_scanQueryRankFieldsPlain(std::string_view value, std::string_view (&fields)[11],
                                 std::string_view& proteinList);

/// What a protein summary keeps of an "h%d_q%d" value.
struct qv_hit_query_scan {
  bool noMatch = false;  ///< the value "-1", or missed cleavages of -1
  double ionsScore = 0;
  std::string_view sequence;
  std::string_view varMods;
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
};

/// Reads `value` (not empty) as qv_readHitQueryPeptide would; false when the
/// full reader must read it (fewer than fourteen fields, a field led by a
/// blank or a quote).
bool qv_scanHitQueryValue(std::string_view value, qv_hit_query_scan& out);

/// The first pair of a "_terms" value (empty when absent) as
/// qv_readHitQueryPeptide takes it: '?' and '?' for an empty value; false
/// when the full reader must read it (it would record a short pair).
bool qv_scanFirstTerms(std::string_view terms, char& before, char& after);

/// One protein of a protein list, as qv_protein_reference with a view of
/// its accession.
struct qv_protein_scan {
  std::string_view accession;
  int32_t frame = 0;
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
  char residueBefore = '?';
  char residueAfter = '?';
};

/// True when the protein list holds no item (only blanks): the full reader
/// then reads nothing, not even "_terms".
bool qv_proteinListIsBlank(std::string_view proteinList);

/// Reads a protein list that is not blank with the "_terms" value of its
/// match (empty when absent), as qv_readProteinList would, appending its
/// proteins to `out`; false when the full reader must read it (the caller
/// then drops what was appended).
bool qv_scanProteinList(std::string_view proteinList, std::string_view terms, std::vector<qv_protein_scan>& out);
