#include "results/name_code.h"

namespace qv_results {

std::string decodeName(std::string_view stem) {
  if (stem.size() > static_cast<size_t>(kNameCodeLength)) return {};
  std::string digits;
  for (size_t i = 0; i < stem.size(); ++i) {
    int column = -1;
    for (int j = 0; j < kNameCodeLength; ++j) {
      if (kNameCodeRows[i][j] == stem[i]) column = j;  // the last matching column wins
    }
    if (column < 0) return {};
    digits.push_back(static_cast<char>('0' + column));
  }
  return digits;
}

std::string encodeName(std::string_view digits) {
  if (digits.size() > static_cast<size_t>(kNameCodeLength)) return {};
  std::string stem;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (digits[i] < '0' || digits[i] > '9') return {};
    stem.push_back(kNameCodeRows[i][digits[i] - '0']);
  }
  return stem;
}

}  // namespace qv_results
