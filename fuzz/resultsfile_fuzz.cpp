// Any bytes as a results file: opened with a small chunk size chosen by the
// first byte (so that blocks, compaction and growth all happen on small
// inputs), then every lookup is run over it.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "results/qv_inputquery.h"
#include "results/qv_resultsfile.h"
#include "results/qv_searchparams.h"

namespace {

// One scratch file per fuzzing process, removed when the process ends.
struct ScratchFile {
  ScratchFile() {
    std::random_device random;
    path = (std::filesystem::temp_directory_path() /
            ("qv-fuzz-results-" + std::to_string(random()) + std::to_string(random()) + ".dat"))
               .string();
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  std::string path;
};

void exercise(const qv_resultsfile& f) {
  static const char* const kKeys[] = {"queries", "Ions1", "ions1", "num_vals", "qexp1",  "h1",  "q1_p1",
                                      "SEARCH",  "title", "",      "=",        "delta1", "a=b", "charge"};
  for (int s = -1; s <= 9; ++s) {
    for (const char* key : kKeys) {
      (void)f.getSectionValueStr(s, key);
      (void)f.getSectionValueInt(s, key);
      (void)f.getSectionValueDouble(s, key);
    }
    for (int n = 0; n <= 4; ++n) (void)f.enumerateSectionKeys(s, n);
    (void)f.getNumberOfSectionKeys(s);
  }
  const int last = f.getNumQueries() < 40 ? f.getNumQueries() : 40;
  for (int q = -1; q <= last + 1; ++q) {
    for (const char* key : kKeys) (void)f.getQuerySectionValueStr(q, key);
    (void)f.hasQuerySectionValue(q, "Ions1");
    (void)f.getObservedMass(q);
    (void)f.getObservedCharge(q);
    (void)f.getQueryDescription(q);
    const qv_inputquery query(f, q);
    for (int series = 0; series <= 4; ++series) (void)query.getIons(series);
    (void)query.getPepTolString();
  }
  (void)f.anyMSMS();
  (void)f.anySeq();
  (void)f.anyTag();
  (void)f.isPMF();
  (void)f.isErrorTolerant();
  const qv_searchparams& p = f.getSearchParameters();
  (void)p.getErrorTolerantParent();
  (void)p.getVarModsName(1);
  (void)p.getICAT();
  for (int n = -1; n <= f.getNumberOfErrors() + 1; ++n) (void)f.getErrorString(n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFile file;
  {
    std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const size_t chunk = size > 0 ? 60 + static_cast<size_t>(data[0]) * 4 : 60;
  qv_resultsfile f(file.path, 0, "", chunk);
  exercise(f);
  return 0;
}
