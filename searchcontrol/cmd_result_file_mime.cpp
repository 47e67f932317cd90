// --result_file_mime: the results file copied to standard output byte for
// byte, after the results preamble. A file that cannot be opened answers
// "searchcontrol-error=8" with exit status 0, as the web scripts expect of
// every results-file failure (searchcontrol/results_file_pieces.h).
#include <string_view>

#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"
#include "searchcontrol/results_file_pieces.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

int runResultFileMime(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  const ResultsFileEnd end = readResultsFilePieces(
      *pre.resultsFileName, [](std::string_view piece) { return qv_output::raw(piece); });
  return answerResultsFileEnd(end);
}

}  // namespace qv_searchcontrol
