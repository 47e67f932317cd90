#pragma once
// Test helper: a peptide source over a map of keys, recording errors into a
// qv_errors the way the results file does.
#include <map>
#include <string>
#include <vector>

#include "errors/qv_errors.h"
#include "results/peptide_source.h"

namespace qvpeptidetest {

class MapSource : public qv_peptide_source {
 public:
  std::map<std::string, std::string> values;
  double observedMass = 500.25;
  int observedCharge = 2;
  mutable qv_errors errors;
  mutable std::vector<std::string> keysAsked;

  std::string getValue(std::string_view key) const override {
    keysAsked.emplace_back(key);
    auto it = values.find(std::string(key));
    return it == values.end() ? std::string() : it->second;
  }
  double getObservedMass(int) const override { return observedMass; }
  int getObservedCharge(int) const override { return observedCharge; }
  void recordError(int code, std::initializer_list<qv_format::Arg> args) const override {
    const qv_message_row* row = qv_findMessage(code);
    if (row == nullptr) return;
    errors.addError(code, qv_format::formatMessage(row->format, args), row->level);
  }

  /// The error numbers recorded so far, in order.
  std::vector<int> codes() const {
    std::vector<int> list;
    for (int i = 1; i <= errors.getNumberOfErrors(); ++i) list.push_back(errors.getErrorNumber(i));
    return list;
  }
};

}  // namespace qvpeptidetest
