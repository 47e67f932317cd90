#pragma once
// The program's answer on standard output. Web scripts read the answer line
// by line while the program runs, so a line must not sit in a buffer while
// the program computes; but a report of a large search has hundreds of
// thousands of lines, and a write system call for each would cost more than
// the report itself. Two modes:
//
// - Immediate (the default): every line and every piece of raw bytes is
//   written and flushed at once. The short answers of the task commands use
//   it, one write per line.
// - Paced (while a PacedAnswer lives): lines collect in the standard output
//   buffer (64 KiB) and go out when it fills, when the caller flushes before
//   a long computation, and at the latest 20 ms after they were written: a
//   flusher thread flushes whatever is pending every 20 ms, so no complete
//   line waits longer than that (plus the write itself) even while the
//   program computes without saying so. The flushes go through the standard
//   output stream itself, whose lock keeps the main thread's writes and the
//   flusher's whole, and which keeps the order with anything else written
//   to standard output through the stream (the engine reporter's HTML).
//
// An answer that standard output does not take (closed, full, a reader that
// has gone) is remembered, whichever thread found it, so that the run does
// not end as a success and a report can stop computing what nobody will read.
#include <string_view>

namespace qv_answer {

/// Writes `text` and a newline with one stream write; flushed at once in
/// immediate mode.
void line(std::string_view text);

/// Writes bytes as they are (no newline added); flushed at once in
/// immediate mode. False when standard output did not take them (in paced
/// mode a failure may also show only at a later flush; see lost()).
[[nodiscard]] bool raw(std::string_view bytes);

/// Writes everything pending now. Callers flush before a long computation
/// (building a summary, reading a large file) so that what they have
/// written is seen at once.
void flush();

/// True once any answer bytes could not be written (or readerGone() found
/// the reader gone).
bool lost();

/// For a writer that still has more to write: true when the answer cannot
/// be delivered whole any more, because bytes could not be written or the
/// reader of standard output (a pipe or socket) has gone, although nothing
/// failed yet; lost() is then true as well, and the rest need not be worked
/// out. Asked between the items of long reports and before long
/// computations; costs a clock reading, and a system call at most once a
/// flush interval. Main thread only.
bool readerGone();

/// Paced mode for its lifetime: see above. Not nested; made and destroyed
/// on the main thread. The destructor flushes and stops the flusher; should
/// the process exit while one lives (a fatal engine error), the flusher is
/// stopped at exit before the stream is flushed for the last time.
class PacedAnswer {
 public:
  PacedAnswer();
  ~PacedAnswer();
  PacedAnswer(const PacedAnswer&) = delete;
  PacedAnswer& operator=(const PacedAnswer&) = delete;
};

/// The longest time a complete line waits in paced mode before the flusher
/// writes it.
inline constexpr int kFlushIntervalMs = 20;

}  // namespace qv_answer
