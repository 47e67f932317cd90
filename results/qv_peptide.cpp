#include "results/qv_peptide.h"

#include <utility>

qv_peptide::qv_peptide(int32_t query, int32_t rank, Values values, double observed, int32_t charge)
    : query_(query), rank_(rank), prettyRank_(rank), v_(std::move(values)), observed_(observed), charge_(charge) {}

qv_peptide qv_peptide::noMatch(int32_t query, int32_t rank, double observed, int32_t charge) {
  Values values;
  values.missedCleavages = -1;
  return qv_peptide(query, rank, std::move(values), observed, charge);
}

qv_protein* qv_peptide::getProtein(int i) const {
  if (i < 1 || i > getNumProteins()) return nullptr;
  return proteins_[static_cast<size_t>(i - 1)];
}
