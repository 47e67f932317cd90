#pragma once
// Test helpers: a scratch directory and small results files in both dialects.
#include <string>
#include <utility>
#include <vector>

#include "testsupport/scratch_dir.h"

namespace qvresultstest {

using ScratchDir = qvtest::ScratchDir;

/// A section: its name ("parameters", "query3" ...) and its body lines.
struct SectionText {
  std::string name;
  std::vector<std::string> lines;
};

/// Builds a results file text in the MIME dialect (`bracket` false) or the
/// bracket dialect, with `eol` as line end.
std::string buildResultsFile(const std::vector<SectionText>& sections, bool bracket, const std::string& eol = "\n");

/// A small complete MS/MS-like file: parameters, header, masses, summary,
/// peptides, proteins, `queries` query sections and the index.
std::vector<SectionText> sampleSections(int queries);

}  // namespace qvresultstest
