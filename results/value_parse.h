#pragma once
// Reading the leading number of a value text, as every numeric accessor of
// the results file does: leading blanks and a sign are allowed, the rest of
// the text is ignored, and text without a leading number gives 0.
//
// A results file holds millions of numbers such as "1190.505033": a number
// of at most 19 digits with at most 22 decimals and no exponent, whose
// digits make an integer m below 2^53, is m / 10^decimals, a division of
// two exactly held doubles that rounds correctly, which is what the
// library's conversion gives too, at a fraction of its cost. Anything else
// goes to the library.
#include <string_view>

namespace qv_results {

/// Leading decimal integer, saturated to the 32-bit range.
int leadingInt(std::string_view text);
/// Leading floating-point number (decimal point, optional exponent).
double leadingDouble(std::string_view text);
/// The same, always through the library's conversion: the plain version
/// that the tests hold leadingDouble() to.
double leadingDoubleByLibrary(std::string_view text);

}  // namespace qv_results
