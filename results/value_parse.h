#pragma once
// Reading the leading number of a value text, as every numeric accessor of
// the results file does: leading blanks and a sign are allowed, the rest of
// the text is ignored, and text without a leading number gives 0.
#include <string_view>

namespace qv_results {

/// Leading decimal integer, saturated to the 32-bit range.
int leadingInt(std::string_view text);
/// Leading floating-point number (decimal point, optional exponent).
double leadingDouble(std::string_view text);

}  // namespace qv_results
