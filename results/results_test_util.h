#pragma once
// Test helpers: a scratch directory and small results files in both dialects.
#include <string>
#include <utility>
#include <vector>

namespace qvresultstest {

/// A temporary directory, removed with its contents when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  /// Writes `contents` to a file in the directory and returns its path.
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

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
