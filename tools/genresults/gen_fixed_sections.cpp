// The search parameters and the mass table of a generated file: the fixed
// sections that look the same for every query count.
#include <string>
#include <utility>
#include <vector>

#include "tools/genresults/gen_internal.h"

namespace qvgen {

void writeParameters(Sink& out, const Options& options) {
  bool pmf = options.type == SearchType::Pmf;
  std::string comment =
      std::string("Synthetic ") + (pmf ? "PMF" : "MS/MS") + " search, seed " + std::to_string(options.seed);
  const std::vector<std::pair<const char*, std::string>> rows = {
      {"LICENSE", "Synthetic results for testing, not from a real search"},
      {"MP", ""},
      {"FORMAT", pmf ? "Peak list (generic)" : "Generic MS/MS peak list"},
      {"COM", comment},
      {"SEG", ""},
      {"TOL", pmf ? "50" : "1.2"},
      {"TOLU", pmf ? "ppm" : "Da"},
      {"ITH", ""},
      {"ITOL", pmf ? "" : "0.6"},
      {"ITOLU", pmf ? "" : "Da"},
      {"PFA", "1"},
      {"DB", "SynthDB"},
      {"MODS", "Carbamidomethyl (C)"},
      {"MASS", "Monoisotopic"},
      {"CLE", "Trypsin"},
      {"FILE", pmf ? "synthetic_pmf.txt" : "synthetic_msms.mgf"},
      {"PEAK", pmf ? "" : "AUTO"},
      {"QUE", ""},
      {"TWO", ""},
      {"SEARCH", pmf ? "PMF" : "MIS"},
      {"USERNAME", "Demo User"},
      {"USEREMAIL", ""},
      {"CHARGE", pmf ? "1+" : "2+ and 3+"},
      {"INTERMEDIATE", ""},
      {"REPORT", "50"},
      {"OVERVIEW", ""},
      {"TAXONOMY", "All entries"},
      {"ACCESSION", ""},
      {"REPTYPE", !options.reportType.empty() ? options.reportType : pmf ? "protein" : "peptide"},
      {"SUBCLUSTER", ""},
      {"ICAT", ""},
      {"INSTRUMENT", pmf ? "MALDI-TOF-PSD" : "ESI-TRAP"},
      {"ERRORTOLERANT", options.errorTolerant ? "1" : "0"},
      {"FRAMES", ""},
      {"CUTOUT", ""},
      {"USERID", "0"},
      {"QUANTITATION", ""},
      {"DECOY", "0"},
      {"IT_MODS", "Oxidation (M)"},
      {"RULES", pmf ? "" : "1,2,8,9,10,13,14,15"},
      {"INTERNALS", pmf ? "" : "0.0,700.0"},
  };
  for (const auto& [key, value] : rows) out.kv(key, value);
}

void writeMasses(Sink& out) {
  static constexpr std::pair<const char*, const char*> kRows[] = {
      {"A", "71.037114"},
      {"B", "114.534940"},
      {"C", "160.030649"},
      {"D", "115.026943"},
      {"E", "129.042593"},
      {"F", "147.068414"},
      {"G", "57.021464"},
      {"H", "137.058912"},
      {"I", "113.084064"},
      {"J", "0.000000"},
      {"K", "128.094963"},
      {"L", "113.084064"},
      {"M", "131.040485"},
      {"N", "114.042927"},
      {"O", "0.000000"},
      {"P", "97.052764"},
      {"Q", "128.058578"},
      {"R", "156.101111"},
      {"S", "87.032028"},
      {"T", "101.047679"},
      {"U", "150.953630"},
      {"V", "99.068414"},
      {"W", "186.079313"},
      {"X", "111.000000"},
      {"Y", "163.063329"},
      {"Z", "128.550590"},
      {"Hydrogen", "1.007825"},
      {"Carbon", "12.000000"},
      {"Nitrogen", "14.003074"},
      {"Oxygen", "15.994915"},
      {"Electron", "0.000549"},
      {"C_term", "17.002740"},
      {"N_term", "1.007825"},
      {"delta1", "15.994915,Oxidation (M)"},
      {"FixedMod1", "57.021464,Carbamidomethyl (C)"},
      {"FixedModResidues1", "C"},
  };
  for (const auto& [key, value] : kRows) out.kv(key, value);
}

void writeHeader(Sink& out, const Options& options, int queries) {
  int64_t sequences = 20000 + static_cast<int64_t>(options.proteins) * 10;
  out.kv("sequences", std::to_string(sequences));
  out.kv("sequences_after_tax", std::to_string(sequences));
  out.kv("residues", std::to_string(sequences * 352));
  out.kv("distribution", "64,0,1,0,0,2,1,3,5,8,12");
  out.kv("exec_time", std::to_string(1 + queries / 40));
  out.kv("date", "1767225600");
  out.kv("time", "00:00:00");
  out.kv("queries", std::to_string(queries));
  out.kv("max_hits", std::to_string(options.hits));
  out.kv("version", "2.1.04");
  out.kv("release", "SynthDB_2026_01.fasta");
  out.kv("fastafile", "/data/sequences/SynthDB/current/SynthDB_2026_01.fasta");
}

}  // namespace qvgen
