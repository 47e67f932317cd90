// Any bytes as a results file, summarised both ways: the first byte picks
// the read chunk size, the second and third the flags of the peptide and of
// the protein summary. Every hit, its grouped proteins and peptide
// references, every peptide and the descriptions are then asked for.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "summary/qv_peptidesummary.h"
#include "summary/qv_proteinsummary.h"

namespace {

// One scratch file per fuzzing process, removed when the process ends.
struct ScratchFile {
  ScratchFile() {
    std::random_device random;
    path = (std::filesystem::temp_directory_path() /
            ("qv-fuzz-summary-" + std::to_string(random()) + std::to_string(random()) + ".dat"))
               .string();
  }
  ~ScratchFile() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
  std::string path;
};

// Flag words that reach every branch: grouping, all proteins, flag 0x8, the
// parent check, no mixtures, threshold scores and some duplicate lists.
uint32_t flagsFrom(uint8_t byte) {
  static const uint32_t kBits[] = {0x1, 0x4, 0x8, 0x10, 0x20, 0x40, 0x10000, 0x4000000};
  uint32_t flags = 0;
  for (int i = 0; i < 8; ++i)
    if ((byte >> i) & 1) flags |= kBits[i];
  return flags;
}

void exercise(const qv_summary& s, const qv_resultsfile& f) {
  const int hits = s.getNumberOfHits() < 60 ? s.getNumberOfHits() : 60;
  for (int n = 0; n <= hits + 1; ++n) {
    const qv_protein* hit = s.getHit(n);
    (void)s.getNumberOfGroupedProteins(n);
    (void)s.getGroupedProtein(n, 1);
    (void)s.getHitTableValue(n);
    if (hit == nullptr) continue;
    (void)s.getProteinMass(hit->getAccession());
    (void)s.getProteinDescription(hit->getAccession());
    (void)hit->getFrame();
    for (int i = 0; i <= hit->getNumPeptides() + 1 && i < 40; ++i) {
      (void)hit->getPeptideQuery(i);
      (void)hit->getPeptideP(i);
      (void)hit->getPeptideScore(i);
      (void)hit->getPeptideIsBold(i);
      (void)hit->getPeptideResidueAfter(i);
    }
    for (int i = 0; i <= hit->getNumComponents() + 1; ++i) (void)hit->getComponent(i);
  }
  const int queries = f.getNumQueries() < 30 ? f.getNumQueries() : 30;
  for (int q = 0; q <= queries + 1; ++q) {
    (void)s.getPeptideIdentityThreshold(q, 20);
    (void)s.getHomologyThreshold(q, 20);
    (void)s.getPeptideExpectationValue(30, q);
    for (int p = 0; p <= 3; ++p) {
      const qv_peptide* peptide = nullptr;
      if (s.getPeptide(q, p, peptide)) (void)peptide->getPeptideStr();
      (void)s.getProteinListText(q, p, (p & 1) != 0);
      (void)s.getModificationText(q, p, 2);
      (void)s.getTagField2(q, p, 1);
      (void)s.getDeltaRangeStart(q, p);
    }
  }
  (void)s.getAvePeptideIdentityThreshold(20);
  (void)s.getMaxPeptideIdentityThreshold(20);
  (void)s.getProteinThreshold(20);
  (void)s.getSingleQueryThreshold(20);
  (void)s.getOneInXFromScore(1e6);
  (void)s.getProteinExpectationValue(50);
  (void)s.getInverseProteinExpectation(50);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScratchFile file;
  {
    std::ofstream out(file.path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  const size_t chunk = size > 0 ? 60 + static_cast<size_t>(data[0]) * 4 : 60;
  const uint32_t peptideFlags = flagsFrom(size > 1 ? data[1] : 0x41);
  const uint32_t proteinFlags = flagsFrom(size > 2 ? data[2] : 0x3);
  qv_resultsfile f(file.path, 0, "", chunk);
  {
    qv_peptidesummary s(f, peptideFlags, 0.05, 999999, std::nullopt, size > 3 && (data[3] & 1) ? 0.05 : 0.0,
                        size > 4 ? data[4] % 8 : 0, std::nullopt);
    exercise(s, f);
  }
  {
    qv_proteinsummary s(f, proteinFlags, 0.0, 50, std::nullopt,
                        size > 5 && (data[5] & 1) ? std::optional<std::string>("2") : std::nullopt);
    exercise(s, f);
  }
  return 0;
}
