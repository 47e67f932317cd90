// --result_file_ini: the results file in INI form (reports/ini_rewrite.h),
// after the results preamble. The file is read in large pieces and each
// piece's rewrite is handed to the paced answer output before the next read,
// so a reader sees the answer grow while a slow disk is read.
#include <memory>
#include <string>

#include "platform/answer_output.h"
#include "platform/read_file.h"
#include "reports/ini_rewrite.h"
#include "searchcontrol/commands.h"
#include "searchcontrol/output.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

int runResultFileIni(const CommandLine& line) {
  const ResultsPreamble pre = runResultsPreamble(line);
  if (!pre.resultsFileName) return pre.exitStatus;
  std::optional<qv_platform::ReadFile> file = qv_platform::ReadFile::open(*pre.resultsFileName);
  if (!file) {
    qv_output::line("searchcontrol-error=" + std::to_string(kNoResultsFile));
    return 0;
  }
  constexpr size_t kPiece = size_t{1} << 20;
  const auto buffer = std::make_unique<char[]>(kPiece);
  qv_answer::PacedAnswer paced;
  qv_ini_rewrite rewrite;
  std::string out;
  out.reserve(kPiece + 4096);
  bool anyRead = false;
  for (;;) {
    const long n = file->read(buffer.get(), kPiece);
    if (n < 0) {
      if (!anyRead) {
        qv_output::line("searchcontrol-error=" + std::to_string(kNoResultsFile));
        return 0;
      }
      // Part of the answer has gone out; it cannot be marked as cut short
      // in itself, so the exit status says it.
      return kNoResultsFile;
    }
    if (n == 0) break;
    anyRead = true;
    rewrite.feed(std::string_view(buffer.get(), static_cast<size_t>(n)), out);
    if (!qv_answer::raw(out)) return 0;
    out.clear();
  }
  rewrite.finish(out);
  (void)qv_answer::raw(out);
  return 0;
}

}  // namespace qv_searchcontrol
