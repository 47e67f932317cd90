#pragma once
// Every answer line goes through here: written whole and flushed at once,
// because the callers read the answer line by line while the program runs.
// An answer that standard output does not take (closed, full, a reader that
// has gone) is remembered, so that the run does not end as a success.
#include <string_view>

namespace qv_output {

/// Exit status of a run whose command succeeded but whose answer could not
/// be written whole.
inline constexpr int kAnswerNotWritten = 12;

/// True once an answer line or raw bytes could not be written whole.
bool answerLost();

/// The exit status for a command that returned `code`: `code` itself, or
/// kAnswerNotWritten when it is 0 and the answer was lost.
int exitStatus(int code);

/// Writes `text` and a newline to standard output, then flushes.
void line(std::string_view text);

/// Writes `text` and a newline to standard error, then flushes.
void errorLine(std::string_view text);

/// Writes bytes to standard output as they are (no newline added) and flushes.
/// Returns false when standard output cannot take them.
[[nodiscard]] bool raw(std::string_view bytes);

}  // namespace qv_output
