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
//
// Nor is a long line held whole: what becomes of a line is decided by its
// first bytes (a header, a boundary, or a line to copy), so a line cut by a
// piece keeps at most those bytes until the next piece, and the rest of a
// copied line is passed on as it comes. Only a header's part name is kept
// until its closing quote, up to kIniMaxPartName bytes; a header whose name
// runs longer writes nothing, as one without a quoted name.
#include <cstddef>
#include <string>
#include <string_view>

/// The longest part name a "Content-Type:" header is rewritten with.
inline constexpr size_t kIniMaxPartName = size_t{1} << 20;

class qv_ini_rewrite {
 public:
  /// Rewrites the lines of `piece` (with any part of a line left from the
  /// previous piece) and appends the result to `out`: every complete line,
  /// and of a line the piece cuts, as much as can be told already.
  void feed(std::string_view piece, std::string& out);
  /// Ends a last line that had no line feed, if any.
  void finish(std::string& out);

 private:
  // What is known of the line in progress.
  enum class State {
    kStart,   // its first bytes are collected in start_ (kStartBytes at most)
    kCopy,    // copied as it comes
    kSkip,    // written nowhere (a leading line, a boundary, a header done)
    kHeader,  // a header: looking for `name="`
    kName,    // a header: its part name is collected in name_
  };
  void rewriteLine(std::string_view line, std::string& out);
  void take(std::string_view bytes, std::string& out);
  void classify(std::string& out);
  void copy(std::string_view bytes, std::string& out);
  void endLine(std::string& out);

  int skipped_ = 0;  // of the three leading lines
  State state_ = State::kStart;
  std::string start_;      // kStart: the line's first bytes
  bool carriageHeld_ = false;  // kCopy: the last byte taken was a CR, not yet written
  size_t nameMatched_ = 0;     // kHeader: how much of `name="` the last bytes match
  std::string name_;           // kName: the part name so far
  bool nameTooLong_ = false;   // kName: longer than kIniMaxPartName (name_ dropped)
};

/// The rewrite of one line (without its line end): appended to `out` with a
/// line feed, as a section header, or not at all.
void qv_iniRewriteLine(std::string_view line, std::string& out);
