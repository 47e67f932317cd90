#pragma once
// The synthetic search behind a generated results file: a deterministic
// random source, a protein set with tryptic peptides, and the matches of each
// query. Every query is made from (seed, query number) alone, so any query
// can be rebuilt on its own, in any order, with the same result.
#include <cstdint>
#include <string>
#include <vector>

namespace qvgen {

enum class Dialect { Mime, Bracket };
enum class SearchType { MsMs, Pmf };

/// What to generate. All counts are clamped to sensible minimums by the writer.
struct Options {
  Dialect dialect = Dialect::Mime;
  SearchType type = SearchType::MsMs;
  int queries = 100;  ///< number of query sections
  int proteins = 50;  ///< size of the protein set
  int peaks = 300;    ///< peaks per MS/MS query ("Ions1" items)
  int ranks = 10;     ///< peptide matches per MS/MS query, 1 to 10
  int hits = 20;      ///< protein hits listed in the summary section
  uint64_t seed = 1;
  bool crlf = false;           ///< end lines with CR LF instead of LF
  bool errorTolerant = false;  ///< an error-tolerant search with its extra keys
  std::string reportType;      ///< "REPTYPE"; empty: "protein" for PMF, "peptide" for MS/MS
};

/// splitmix64: small, fast, and identical on every compiler and library.
class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  /// A source for one purpose (`stream`) of one item (`item`).
  Rng(uint64_t seed, uint64_t item, uint64_t stream);
  uint64_t next();
  /// Uniform integer in [lo, hi].
  int uniform(int lo, int hi);
  /// Uniform double in [0, 1).
  double unit();
  double range(double lo, double hi) { return lo + (hi - lo) * unit(); }
  bool chance(double p) { return unit() < p; }

 private:
  uint64_t state_;
};

struct Protein {
  std::string accession;
  std::string description;
  std::string sequence;
  double mass = 0;
};

/// One protein that holds a peptide: 1-based start and end, the residues
/// around it ("-" at a protein terminus).
struct ProteinRef {
  int protein = 0;  ///< index into the protein set
  int start = 0;
  int end = 0;
  char before = '-';
  char after = '-';
};

struct PeptideMatch {
  std::string sequence;
  int missed = 0;
  double mrCalc = 0;
  double delta = 0;
  double score = 0;
  int ionsMatched = 0;
  int peaks1 = 0;
  std::string varMods;  ///< one digit per residue plus both termini
  int oxidisedAt = 0;   ///< 1-based position of an oxidised M, 0 for none
  std::vector<ProteinRef> refs;
};

struct QueryModel {
  int number = 0;
  int charge = 2;
  double mrExp = 0;  ///< experimental relative mass
  double mz = 0;     ///< observed m/z
  double intensity = 0;
  double qmatch = 0;
  double plughole = 0;
  std::vector<PeptideMatch> ranks;  ///< empty: no match
};

/// Monoisotopic relative mass of a peptide (with fixed carbamidomethyl C).
double peptideMass(const std::string& sequence);

/// The protein set of these options, the same for the same seed and count.
std::vector<Protein> makeProteins(const Options& options);

/// The matches of query q (1-based).
QueryModel makeQuery(const Options& options, const std::vector<Protein>& proteins, int q);

/// The peak list of an MS/MS query as (m/z, intensity) pairs sorted by m/z.
std::vector<std::pair<double, double>> makePeaks(const Options& options, const QueryModel& query);

}  // namespace qvgen
