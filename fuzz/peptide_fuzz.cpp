// The peptide value strings and their companions from arbitrary bytes. The
// input's lines are, in order: the "q1_p1" value, its "_terms", "_subst",
// "_tag", "_drange", "_et_mods", "_et_mods_master" and the "h1_q1" value.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "errors/qv_errors.h"
#include "results/peptide_companions.h"
#include "results/peptide_string.h"

namespace {

class FuzzSource : public qv_peptide_source {
 public:
  std::map<std::string, std::string, std::less<>> values;
  mutable qv_errors errors;

  std::string getValue(std::string_view key) const override {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
  double getObservedMass(int) const override { return 400.5; }
  int getObservedCharge(int) const override { return 2; }
  void recordError(int code, std::initializer_list<qv_format::Arg> args) const override {
    const qv_message_row* row = qv_findMessage(code);
    if (row != nullptr) errors.addError(code, qv_format::formatMessage(row->format, args), row->level);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  static const char* kKeys[] = {"q1_p1",        "q1_p1_terms",   "q1_p1_subst",          "q1_p1_tag",
                                "q1_p1_drange", "q1_p1_et_mods", "q1_p1_et_mods_master", "h1_q1"};
  FuzzSource src;
  for (const char* key : kKeys) {
    size_t eol = input.find('\n');
    src.values[key] = std::string(input.substr(0, eol));
    input = eol == std::string_view::npos ? std::string_view() : input.substr(eol + 1);
  }
  // The hit form shares the companions of the query form.
  src.values["h1_q1_terms"] = src.values["q1_p1_terms"];
  src.values["h1_q1_subst"] = src.values["q1_p1_subst"];
  constexpr auto kQR = qv_peptide_form::QUERY_RANK;
  qv_query_rank_read r = qv_readQueryRankPeptide(src, 1, 1);
  if (r.peptide != nullptr) {
    auto refs = qv_readProteinList(src, 1, 1, r.proteinList);
    if (refs.size() > r.proteinList.size()) __builtin_trap();
    for (const auto& s : r.peptide->getSubstitutions()) {
      if (s.position < 1 || static_cast<size_t>(s.position) > r.peptide->getPeptideStr().size()) __builtin_trap();
    }
  }
  for (int field = 1; field <= 5; ++field) (void)qv_getTagField(src, kQR, 1, 1, 1, field);
  (void)qv_getDeltaRangeStart(src, kQR, 1, 1);
  (void)qv_getDeltaRangeEnd(src, kQR, 1, 1);
  (void)qv_getErrTolMod(src, kQR, 1, 1);
  (void)qv_getErrTolModValues(src, kQR, 1, 1, true);
  qv_hit_query_read h = qv_readHitQueryPeptide(src, 1, 1);
  (void)h;
  return 0;
}
