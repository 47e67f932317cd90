#pragma once
// Grouping of the proteins of a hit list that share peptides. Walking the
// hits in order, each still independent hit absorbs the lower proteins (of
// the same kind, mixture or not) whose counting peptides it all holds: a
// peptide counts when its sequence has at least the minimum length, and two
// peptides are the same when their sequences are equal (or, in the mode that
// compares by query, their queries). An absorbed protein is a same set when
// both reference lists match position by position, else a subset, and
// records the absorbing hit's accession.
//
// Comparing every hit with every lower hit is quadratic in the number of
// proteins. groupProteins finds the candidates through an index instead: a
// protein can only be absorbed by a hit that holds its first counting
// peptide, so each protein is listed under that peptide alone, and each
// walker looks only at the lists of its own peptides. Peptides are compared
// by number (a sequence's number in the string pool, or the query), marked
// per walker in a flat array, so no set is built. The result is that of the
// pairwise walk, which groupProteinsPairwise keeps as the reference by
// comparing texts.
#include <cstddef>
#include <string>
#include <vector>

#include "summary/qv_protein.h"
#include "summary/string_pool.h"
#include "summary/summary_tuning.h"

namespace qv_grouping {

struct Settings {
  /// The summary's match records and string pool that the references point into.
  const std::vector<qv_match>* matches = nullptr;
  const qv_string_pool* strings = nullptr;
  /// The store the references' lists number (read by groupProteins).
  const qv_ref_store* refs = nullptr;
  int minPeptideLength = 0;
  bool byQuery = false;
  /// Stop the walk after 50 walkers at the first beyond maxHits or below minScore.
  bool limitWalk = false;
  int maxHits = 0;
  double minScore = 0;
  /// Stores of fewer references have their keys read as one part.
  size_t twoPartsMinItems = qv_summary_tuning().twoPartsMinItems;
};

/// True when the walk (or the numbering) stops before walker number `n` (from 1) of score `score`.
bool stopsAt(int n, double score, int maxHits, double minScore);

/// Groups `hits` (in hit-list order) with the peptide index; returns the
/// position in `hits` where the walk stopped (hits.size() when it did not).
size_t groupProteins(const std::vector<qv_protein*>& hits, const Settings& settings);

/// The same grouping by comparing each walker with every lower protein.
size_t groupProteinsPairwise(const std::vector<qv_protein*>& hits, const Settings& settings);

}  // namespace qv_grouping
