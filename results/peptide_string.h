#pragma once
// Readers of the two peptide value strings and of the companion keys read
// with them. The summaries call these; every problem is recorded through the
// source's error list and nothing stops the caller.
//
// "q<q>_p<p>": "-1" (no match), or eleven fields "mc,mrcalc,delta,ions,seq,
// peaks1,varmods,score,series,peaks2,peaks3;" followed by the protein list
// "\"ACC\":frame:start:end:multiplicity,...".
// "h<h>_q<q>": "-1", or fourteen fields "mc,mrcalc,delta,start,end,ions,seq,
// peaks1,varmods,score,multiplicity,series,peaks2,peaks3".
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "results/peptide_source.h"
#include "results/qv_peptide.h"

/// The result of reading one "q%d_p%d" value.
struct qv_query_rank_read {
  /// The peptide, or nullptr when the key is absent or the value could not
  /// be read (error 7 recorded in the second case).
  std::unique_ptr<qv_peptide> peptide;
  /// The protein list: the text after the eleven fields (empty for "-1").
  std::string proteinList;
};

/// Reads "q<q>_p<p>" with its "_primary_nl" and "_subst" companions.
qv_query_rank_read qv_readQueryRankPeptide(const qv_peptide_source& source, int q, int p);

/// The values of the eleven fields of a "q%d_p%d" value, as the reader above
/// stores them.
qv_peptide::Values qv_queryRankValues(const std::string_view (&fields)[11]);
/// The same for the numbers alone: the three texts (sequence, modifications
/// and series used, fields 4, 6 and 8) are left empty, for a caller that
/// copies them from the fields when it needs them.
void qv_queryRankNumbers(const std::string_view (&fields)[11], qv_peptide::Values& values);

/// Reads the protein list of match (q, p) with the residues of its "_terms"
/// companion. Items with a missing number are dropped (error 8); an empty
/// accession is kept (warning 17); a "_terms" pair too short leaves '?'
/// (warning 29).
std::vector<qv_protein_reference> qv_readProteinList(const qv_peptide_source& source, int q, int p,
                                                     std::string_view proteinList);

/// The result of reading one "h%d_q%d" value.
struct qv_hit_query_read {
  /// The peptide (partly filled when the value ends early, error 10), or
  /// nullptr when the key is absent.
  std::unique_ptr<qv_peptide> peptide;
  /// The hit's reference to the peptide.
  int32_t start = 0;
  int32_t end = 0;
  int32_t multiplicity = 0;
  char residueBefore = '?';
  char residueAfter = '?';
};

/// Reads "h<h>_q<q>" with its "_primary_nl", "_subst" and "_terms" companions.
qv_hit_query_read qv_readHitQueryPeptide(const qv_peptide_source& source, int h, int q);

/// Parses a "_subst" value against the peptide sequence: triples of
/// position, reported residue and substitute, separated by spaces, tabs or
/// commas. The list ends at the first triple that is incomplete, whose
/// position lies outside the sequence or whose residue differs from the
/// sequence's; the triples before it stay.
std::vector<qv_substitution> qv_parseSubstitutions(std::string_view value, std::string_view sequence);
