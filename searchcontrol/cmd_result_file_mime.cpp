#include <memory>
#include <string>

#include "platform/read_file.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

// The results file copied to standard output byte for byte. A file that
// cannot be opened answers "searchcontrol-error=8" with exit status 0, as
// the web scripts expect of every results-file failure.
int runResultFileMime(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  std::optional<qv_platform::ReadFile> file = qv_platform::ReadFile::open(*pre.resultsFileName);
  if (!file) {
    qv_output::line("searchcontrol-error=" + std::to_string(kNoResultsFile));
    return 0;
  }
  constexpr size_t kPiece = size_t{1} << 20;
  const auto buffer = std::make_unique<char[]>(kPiece);
  bool anyWritten = false;
  for (;;) {
    const long n = file->read(buffer.get(), kPiece);
    if (n == 0) return 0;
    if (n < 0) {
      // Nothing copied yet: the file could not be read at all (a
      // directory, an I/O error), which is the same answer as not opening.
      if (!anyWritten) {
        qv_output::line("searchcontrol-error=" + std::to_string(kNoResultsFile));
        return 0;
      }
      // Part of the file has gone out: the copy cannot be marked as cut
      // short in the answer itself, so the exit status says it.
      return kNoResultsFile;
    }
    if (!qv_output::raw(std::string_view(buffer.get(), static_cast<size_t>(n)))) return 0;
    anyWritten = true;
  }
}

}  // namespace qv_searchcontrol
