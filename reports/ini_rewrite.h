#pragma once
// The INI form of a results file (--result_file_ini): the MIME multipart
// file with its first three lines dropped, each part's "Content-Type:"
// header turned into a bracketed section header ("[parameters]" for a part
// named "parameters"), and MIME boundaries ("--" lines) and empty lines
// left out. Every other line is copied as it stands.
//
// The rewrite is fed the file in pieces of any size, so that a large file
// is never held whole; a line may span pieces. A line ends at a line feed,
// and a carriage return just before it belongs to the line end (so a file
// with CR LF line ends gives the same lines as one with LF), and the last
// line of a file need not end with a line feed. Lines are written with a
// line feed.
#include <cstddef>
#include <string>
#include <string_view>

class qv_ini_rewrite {
 public:
  /// Rewrites the complete lines of `piece` (with any part of a line left
  /// from the previous piece) and appends the result to `out`.
  void feed(std::string_view piece, std::string& out);
  /// Rewrites a last line that had no line feed, if any.
  void finish(std::string& out);

 private:
  void rewriteLine(std::string_view line, std::string& out);
  std::string partial_;  // the start of a line that a piece cut
  int skipped_ = 0;      // of the three leading lines
};

/// The rewrite of one line (without its line end): appended to `out` with a
/// line feed, as a section header, or not at all.
void qv_iniRewriteLine(std::string_view line, std::string& out);
