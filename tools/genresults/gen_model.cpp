#include "tools/genresults/gen_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string_view>

namespace qvgen {
namespace {

// Residues drawn with roughly their natural frequencies (100 letters).
constexpr std::string_view kResiduePool =
    "LLLLLLLLLLAAAAAAAAGGGGGGGVVVVVVVEEEEEEESSSSSSSIIIIIKKKKKKKRRRRRDDDDDTTTTTPPPPPNNNNQQQQFFFFYYYMMHHCCW";

constexpr double kWater = 18.010565;
constexpr double kProton = 1.007276;
constexpr double kOxidation = 15.994915;

double residueMass(char r) {
  switch (r) {
    case 'G':
      return 57.021464;
    case 'A':
      return 71.037114;
    case 'S':
      return 87.032028;
    case 'P':
      return 97.052764;
    case 'V':
      return 99.068414;
    case 'T':
      return 101.047679;
    case 'C':
      return 160.030649;  // with the fixed carbamidomethyl group
    case 'L':
    case 'I':
      return 113.084064;
    case 'N':
      return 114.042927;
    case 'D':
      return 115.026943;
    case 'Q':
      return 128.058578;
    case 'K':
      return 128.094963;
    case 'E':
      return 129.042593;
    case 'M':
      return 131.040485;
    case 'H':
      return 137.058912;
    case 'F':
      return 147.068414;
    case 'R':
      return 156.101111;
    case 'Y':
      return 163.063329;
    case 'W':
      return 186.079313;
    default:
      return 0;
  }
}

bool cleavesAfter(char r) { return r == 'K' || r == 'R'; }

ProteinRef refAt(const std::vector<Protein>& proteins, int index, size_t at, size_t length) {
  const std::string& s = proteins[index].sequence;
  ProteinRef ref;
  ref.protein = index;
  ref.start = static_cast<int>(at) + 1;
  ref.end = static_cast<int>(at + length);
  ref.before = at == 0 ? '-' : s[at - 1];
  ref.after = at + length >= s.size() ? '-' : s[at + length];
  return ref;
}

// A tryptic peptide of protein `index`, with its missed cleavages.
PeptideMatch pickPeptide(Rng& rng, const std::vector<Protein>& proteins, int index) {
  const std::string& s = proteins[index].sequence;
  std::vector<size_t> sites{0};
  for (size_t i = 0; i + 1 < s.size(); ++i)
    if (cleavesAfter(s[i])) sites.push_back(i + 1);
  sites.push_back(s.size());
  PeptideMatch m;
  size_t at = 0, length = 0;
  for (int attempt = 0; attempt < 8 && length == 0; ++attempt) {
    int missed = rng.chance(0.8) ? 0 : (rng.chance(0.85) ? 1 : 2);
    size_t first = static_cast<size_t>(rng.uniform(0, static_cast<int>(sites.size()) - 2));
    size_t last = std::min(first + 1 + missed, sites.size() - 1);
    size_t len = sites[last] - sites[first];
    if (len >= 6 && len <= 30) {
      at = sites[first];
      length = len;
      m.missed = static_cast<int>(last - first - 1);
    }
  }
  if (length == 0) {  // no tryptic peptide of a usable length: a plain stretch
    length = std::min<size_t>(s.size(), static_cast<size_t>(rng.uniform(7, 14)));
    at = static_cast<size_t>(rng.uniform(0, static_cast<int>(s.size() - length)));
    m.missed = 0;
  }
  m.sequence = s.substr(at, length);
  m.refs.push_back(refAt(proteins, index, at, length));
  // Variants of one family share most of their peptides.
  for (int other : {index - 1, index + 1}) {
    if (other < 0 || other >= static_cast<int>(proteins.size()) || other / 5 != index / 5) continue;
    size_t found = proteins[other].sequence.find(m.sequence);
    if (found != std::string::npos) m.refs.push_back(refAt(proteins, other, found, length));
  }
  m.mrCalc = peptideMass(m.sequence);
  m.varMods.assign(m.sequence.size() + 2, '0');
  size_t metAt = m.sequence.find('M');
  if (metAt != std::string::npos && rng.chance(0.3)) {
    m.oxidisedAt = static_cast<int>(metAt) + 1;
    m.varMods[metAt + 1] = '1';
    m.mrCalc += kOxidation;
  }
  return m;
}

// Proteins early in the set are matched far more often, as strong hits are.
int pickProtein(Rng& rng, int count) {
  double u = rng.unit();
  return std::min(count - 1, static_cast<int>(count * u * u));
}

}  // namespace

Rng::Rng(uint64_t seed, uint64_t item, uint64_t stream) : state_(seed * 0x9E3779B97F4A7C15ULL) {
  state_ ^= item * 0xBF58476D1CE4E5B9ULL + stream * 0x94D049BB133111EBULL;
  next();
}

uint64_t Rng::next() {
  uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int Rng::uniform(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + static_cast<int>(next() % static_cast<uint64_t>(hi - lo + 1));
}

double Rng::unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

double peptideMass(const std::string& sequence) {
  double mass = kWater;
  for (char r : sequence) mass += residueMass(r);
  return mass;
}

std::vector<Protein> makeProteins(const Options& options) {
  std::vector<Protein> proteins(static_cast<size_t>(std::max(1, options.proteins)));
  for (size_t i = 0; i < proteins.size(); ++i) {
    Rng rng(options.seed, i, 1);
    Protein& p = proteins[i];
    char accession[32];
    std::snprintf(accession, sizeof accession, "SYN%05zu", i + 1);
    p.accession = accession;
    p.description = "Synthetic protein " + std::to_string(i + 1) + " of the test set";
    if (i % 5 != 0) {
      // A variant of the family's first member: a few residues changed.
      p.sequence = proteins[i - i % 5].sequence;
      for (char& r : p.sequence)
        if (rng.chance(0.03)) r = kResiduePool[static_cast<size_t>(rng.uniform(0, 99))];
    } else {
      int length = rng.uniform(150, 800);
      p.sequence.reserve(static_cast<size_t>(length) + 1);
      p.sequence.push_back('M');
      for (int k = 1; k < length; ++k) p.sequence.push_back(kResiduePool[static_cast<size_t>(rng.uniform(0, 99))]);
    }
    p.mass = peptideMass(p.sequence);
  }
  return proteins;
}

QueryModel makeQuery(const Options& options, const std::vector<Protein>& proteins, int q) {
  Rng rng(options.seed, static_cast<uint64_t>(q), 2);
  QueryModel query;
  query.number = q;
  query.qmatch = std::floor(rng.range(20, 3000));
  query.plughole = std::floor(rng.range(5, 35) * 100) / 100;
  query.intensity = std::floor(rng.range(1e4, 5e6));
  int count = static_cast<int>(proteins.size());
  bool pmf = options.type == SearchType::Pmf;
  query.charge = pmf ? 1 : (rng.chance(0.6) ? 2 : (rng.chance(0.6) ? 3 : 1));
  bool matched = rng.chance(pmf ? 0.7 : 0.9);
  int ranks = pmf ? 1 : std::clamp(options.ranks, 1, 10);
  double score = rng.range(15, 90);
  for (int p = 1; p <= ranks && matched; ++p) {
    int protein = pmf ? std::min(count - 1, rng.uniform(0, std::max(0, options.hits - 1))) : pickProtein(rng, count);
    PeptideMatch m = pickPeptide(rng, proteins, protein);
    m.delta = std::round(rng.range(-0.05, 0.05) * 1e6) / 1e6;
    if (!pmf) {
      if (p > 1 && !rng.chance(0.15)) score -= rng.range(0.5, 12);  // some ranks tie
      m.score = std::max(0.0, std::round(score * 100) / 100);
      m.ionsMatched = rng.uniform(2, static_cast<int>(m.sequence.size()) * 2);
      m.peaks1 = rng.uniform(10, 60);
    }
    query.ranks.push_back(std::move(m));
  }
  query.mrExp = matched ? query.ranks[0].mrCalc + query.ranks[0].delta : rng.range(600, 3500);
  query.mz = (query.mrExp + query.charge * kProton) / query.charge;
  return query;
}

std::vector<std::pair<double, double>> makePeaks(const Options& options, const QueryModel& query) {
  Rng rng(options.seed, static_cast<uint64_t>(query.number), 3);
  std::vector<std::pair<double, double>> peaks(static_cast<size_t>(std::max(0, options.peaks)));
  double top = std::max(300.0, query.mrExp + 20);
  for (auto& [mz, intensity] : peaks) {
    mz = rng.range(100, top);
    double u = rng.unit();
    intensity = std::floor(10 + 20000 * u * u * u);
  }
  std::sort(peaks.begin(), peaks.end());
  return peaks;
}

}  // namespace qvgen
