#include "summary/summary_test_util.h"

#include <cstdio>
#include <fstream>

namespace qvsummarytest {

std::string buildFile(const FileSpec& layout) {
  std::string text = "[RA RozIzide]\n";
  auto section = [&text](const std::string& token, const std::vector<std::string>& lines) {
    text += token + "\n";
    for (const std::string& line : lines) text += line + "\n";
  };
  section("[PARAMETERS]", layout.parameters);
  std::vector<std::string> header = layout.header;
  header.push_back("queries=" + std::to_string(layout.queries.size()));
  section("[HEADER]", header);
  section("[MASSES]", layout.masses);
  section("[SUMMARY]", layout.summary);
  if (!layout.mixture.empty()) section("[MIXTURE]", layout.mixture);
  section("[PEPTIDES]", layout.peptides);
  section("[PROTEINS]", layout.proteins);
  for (size_t q = 0; q < layout.queries.size(); ++q) section("[QUERY" + std::to_string(q + 1) + "]", layout.queries[q]);
  section("[INDEX]", {"parameters=1"});
  return text;
}

std::string match(const std::string& sequence, double score, const std::string& proteins,
                  const std::string& varMods) {
  char number[32];
  std::snprintf(number, sizeof number, "%.2f", score);
  std::string mods = varMods.empty() ? std::string(sequence.size() + 2, '0') : varMods;
  return "0,1000.000000,0.010000,5," + sequence + ",10," + mods + "," + number + ",0000002000020000000,0,0;" +
         proteins;
}

}  // namespace qvsummarytest
