#pragma once
// The results file read piece by piece for the commands that hand it out
// whole (--result_file_mime copies it, --result_file_ini rewrites it). Both
// read a file of hundreds of megabytes in large pieces and pass each piece on
// before the next read, so the answer grows while a slow disk is read and
// memory stays at one piece; and both answer the same way when the file
// cannot be read: "searchcontrol-error=8" with exit status 0 when nothing has
// gone out yet, exit status 8 alone when the copy was cut short after part of
// it had been written (a read error, or the file cut shorter than it was when
// opened). The reading loop and that answer live here once.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace qv_searchcontrol {

/// Bytes read at a time (1 MiB): large enough that the read calls cost
/// nothing next to the copy, small enough to keep memory flat.
inline constexpr size_t kResultsFilePiece = size_t{1} << 20;

/// How reading a results file piece by piece ended.
enum class ResultsFileEnd {
  kEndOfFile,  ///< every byte was handed to the consumer
  kStopped,    ///< the consumer returned false (standard output refused)
  kNotRead,    ///< not opened (missing, not a regular file) or the first read failed
  kCutShort,   ///< after at least one piece was handed over, a read failed or the file
               ///< ended before the size it had when it was opened
};

/// Opens the regular file `path` and hands its bytes, in order, to `piece`
/// in pieces of at most kResultsFilePiece bytes (never an empty piece).
/// `piece` returns false to stop reading. Writes nothing itself.
[[nodiscard]] ResultsFileEnd readResultsFilePieces(const std::string& path,
                                                   const std::function<bool(std::string_view)>& piece);

/// The command's answer to `end`: writes "searchcontrol-error=8" for
/// kNotRead; returns the exit status (kNoResultsFile for kCutShort, else 0).
[[nodiscard]] int answerResultsFileEnd(ResultsFileEnd end);

}  // namespace qv_searchcontrol
