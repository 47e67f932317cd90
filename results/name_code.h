#pragma once
// The name code: the web side writes the results file name of an
// error-tolerant search's parent with its digits replaced by letters, one
// substitution row per character position. Both sides use the rows of
// kNameCodeRows.
#include <string>
#include <string_view>

namespace qv_results {

inline constexpr int kNameCodeLength = 10;

/// Row i lists the character that stands for digit j at position i in column j.
extern const char kNameCodeRows[kNameCodeLength][kNameCodeLength + 1];

/// Decodes an encoded stem to its digits; empty when the stem has 11 or more
/// characters or a character is not in its position's row.
std::string decodeName(std::string_view stem);

/// Encodes a string of at most ten digits; empty for anything else.
std::string encodeName(std::string_view digits);

}  // namespace qv_results
