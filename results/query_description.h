#pragma once
// Reading the numbered keys of a query section ("Seq1" .. "Seq20", "Tag3",
// ...) and the one-line description of a query that the text report shows.
// Both are built on the results file's public lookup primitive: the
// description of every query of a large file is made in one report, so
// values are appended straight from the text held in memory and keys are
// built in local buffers.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "results/qv_resultsfile.h"

namespace qv_results {

/// A key of a query section made of a prefix and a number.
struct NumberedValue {
  size_t prefix;  // which of the prefixes asked for
  size_t index;   // the number, from 1
  qv_valueref value;
};

/// Every key of query q that is one of `prefixes` (any letter case)
/// followed by a decimal number from 1 to `maxIndex` without leading zeros,
/// with its value, found in one walk over the section's keys; in no
/// particular order. `out` is emptied first.
void findNumberedValues(const qv_resultsfile& file, int q, std::span<const std::string_view> prefixes,
                        size_t maxIndex, std::vector<NumberedValue>& out);

/// The description of query q: observed mass, its source and intensity,
/// title, peptide tolerance, the Seq, Comp and Tag qualifiers and the query
/// number when the query holds a charge or a peak list. Empty, with error 4
/// recorded in the file, for q outside 1 .. getNumQueries().
std::string describeQuery(const qv_resultsfile& file, int q);

}  // namespace qv_results
