#include "summary/summary_test_util.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/ascii.h"

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

std::string withOddCompanions(const std::string& text) {
  std::istringstream in(text);
  std::ostringstream out;
  int n = 0;
  for (std::string line; std::getline(in, line);) {
    const size_t nl = line.find("_primary_nl=");
    const size_t subst = line.find("_subst=");
    if (line.rfind('q', 0) == 0 && (nl != std::string::npos || subst != std::string::npos)) {
      ++n;
      const size_t eq = line.find('=');
      if (n % 3 == 0)
        for (size_t i = 0; i < eq; ++i) line[i] = qv_platform::asciiUpper(line[i]);
      if (n % 4 == 0) out << "q0" << line.substr(1) << "\n";
      if (n % 5 == 0) {
        out << line << "\n";
        line = line.substr(0, eq + 1) + "1";  // written again: the first one stays
      }
    } else if (line.rfind("q1_p1=", 0) == 0) {
      out << "q999999_p1_subst=A1B\nq1_p11_primary_nl=01\nq1_p0_subst=A1B\n";
    }
    out << line << "\n";
  }
  return out.str();
}

}  // namespace qvsummarytest
