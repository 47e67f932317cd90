// --result_file_ini: the results file in INI form (reports/ini_rewrite.h),
// after the results preamble. The file is read in large pieces and each
// piece's rewrite is handed to the paced answer output before the next read,
// so a reader sees the answer grow while a slow disk is read.
#include <string>

#include "platform/answer_output.h"
#include "reports/ini_rewrite.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/results_file_pieces.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

int runResultFileIni(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  qv_answer::PacedAnswer paced;
  qv_ini_rewrite rewrite;
  std::string out;
  out.reserve(kResultsFilePiece + 4096);
  const ResultsFileEnd end = readResultsFilePieces(*pre.resultsFileName, [&](std::string_view piece) {
    rewrite.feed(piece, out);
    const bool written = qv_answer::raw(out);
    out.clear();
    return written;
  });
  if (end == ResultsFileEnd::kEndOfFile) {
    rewrite.finish(out);
    (void)qv_answer::raw(out);
  }
  return answerResultsFileEnd(end);
}

}  // namespace qv_searchcontrol
