#pragma once
// The one number-formatting policy of the reports: integers in signed
// decimal, doubles in the default stream form (general notation, six
// significant digits, no trailing zeros: what "%g" writes), and scores
// rounded to whole numbers. Every report writes its numbers through here so
// that the same value reads the same in every answer.
#include <cstddef>
#include <cstdint>
#include <string>

namespace qv_reports {

/// Room enough for any number written below.
inline constexpr size_t kMaxNumberLength = 32;

/// Appends `value` in signed decimal.
void appendInt(std::string& out, int64_t value);

/// Appends `value` as "%g" writes it: 6 significant digits, fixed or
/// exponent form as the general notation chooses ("1e+06", "0.0001",
/// "123.457"); infinities and NaN as "inf", "-inf", "nan", "-nan".
void appendDouble(std::string& out, double value);

/// The same two written to `out`, which has room for kMaxNumberLength
/// bytes; each returns the end of what it wrote.
char* writeInt(char* out, int64_t value);
char* writeDouble(char* out, double value);

/// `value` plus 0.5, truncated toward zero to 32 bits. Beyond the 32-bit
/// range the result saturates and NaN gives 0, so a damaged file cannot make
/// the conversion undefined.
int32_t roundedScore(double value);

}  // namespace qv_reports
