#include "searchcontrol/results_file_pieces.h"

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/read_file.h"
#include "searchcontrol/output.h"
#include "searchcontrol/results_preamble.h"

namespace qv_searchcontrol {

ResultsFileEnd readResultsFilePieces(const std::string& path, const std::function<bool(std::string_view)>& piece) {
  std::optional<qv_platform::ReadFile> file = qv_platform::ReadFile::open(path);
  if (!file) return ResultsFileEnd::kNotRead;
  const auto buffer = std::make_unique<char[]>(kResultsFilePiece);
  uint64_t handedOver = 0;
  for (;;) {
    const long n = file->read(buffer.get(), kResultsFilePiece);
    // The end of the file before the size it had when it was opened: the
    // file was cut shorter meanwhile (rewritten or truncated), and the copy
    // is not the whole file; a file that grows is read to its new end.
    const bool cut = n < 0 || (n == 0 && handedOver < file->sizeWhenOpened());
    // A first read that fails (a directory, an I/O error, a file emptied
    // at once) means the file could not be read at all, the same as not
    // opening it.
    if (cut) return handedOver > 0 ? ResultsFileEnd::kCutShort : ResultsFileEnd::kNotRead;
    if (n == 0) return ResultsFileEnd::kEndOfFile;
    handedOver += static_cast<uint64_t>(n);
    if (!piece(std::string_view(buffer.get(), static_cast<size_t>(n)))) return ResultsFileEnd::kStopped;
  }
}

int answerResultsFileEnd(ResultsFileEnd end) {
  switch (end) {
    case ResultsFileEnd::kNotRead:
      // Answered as a missing file, with exit status 0: the web scripts
      // expect that of every results-file failure.
      (void)qv_output::answerError(kNoResultsFile);
      return 0;
    case ResultsFileEnd::kCutShort:
      // Part of the answer has gone out; it cannot be marked as cut short
      // in itself, so the exit status says it.
      return kNoResultsFile;
    case ResultsFileEnd::kEndOfFile:
    case ResultsFileEnd::kStopped:
      break;
  }
  return 0;
}

}  // namespace qv_searchcontrol
