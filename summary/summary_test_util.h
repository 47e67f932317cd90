#pragma once
// Test helpers: small results files written by the tests (bracket dialect),
// with just the keys a summary reads, and a scratch directory for them.
#include <map>
#include <string>
#include <vector>

#include "testsupport/scratch_dir.h"

namespace qvsummarytest {

using ScratchDir = qvtest::ScratchDir;

/// The lines of a results file, section by section.
struct FileSpec {
  std::vector<std::string> parameters = {"SEARCH=MIS", "ITOL=0.6", "ITOLU=Da", "ERRORTOLERANT=0"};
  std::vector<std::string> header = {"sequences=20000", "sequences_after_tax=20000", "version=2.1.04"};
  std::vector<std::string> masses = {"delta1=15.994915,Oxidation (M)"};
  std::vector<std::string> summary;
  std::vector<std::string> mixture;  ///< written only when not empty
  std::vector<std::string> peptides;
  std::vector<std::string> proteins;
  /// Lines of each query section (query 1 first); "queries=" follows its size.
  std::vector<std::vector<std::string>> queries;
};

/// The text of a bracket-dialect file of `layout`.
std::string buildFile(const FileSpec& layout);

/// A "q%d_p%d" value: fields then the protein list, e.g.
/// match("PEPTIDEK", 45.5, "\"P1\":0:10:17:1").
std::string match(const std::string& sequence, double score, const std::string& proteins,
                  const std::string& varMods = "");

/// A generated file's text with its match companions ("_primary_nl",
/// "_subst") written in other letter cases, some twice (the first one
/// counts), some again under keys with a leading zero (which no reader asks
/// for), and a few added for queries and ranks beyond the search's.
std::string withOddCompanions(const std::string& text);

}  // namespace qvsummarytest
