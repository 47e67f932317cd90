#pragma once
// Writes a synthetic results file (MIME multipart or bracketed dialect, MS/MS
// or peptide mass fingerprint search) from Options. The output depends only
// on the options: the same options give the same bytes.
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/genresults/gen_model.h"

namespace qvgen {

/// Writes the whole file to `out`; false when a write failed.
[[nodiscard]] bool writeResults(const Options& options, std::FILE* out);

/// The whole file as text (for tests and small samples).
std::string resultsText(const Options& options);

/// The size in bytes the file of these options has, found without keeping it.
uint64_t resultsSize(const Options& options);

/// A number of queries that makes a file of about `bytes` bytes with the
/// other options as given (at least 1).
int queriesForSize(const Options& options, uint64_t bytes);

}  // namespace qvgen
