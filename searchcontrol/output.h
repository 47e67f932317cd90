#pragma once
// Every answer line goes through here. The answer goes out line by line as
// the program writes it: each line at once for the short answers, and at the
// latest 20 ms after it was written while a report is paced (see
// platform/answer_output.h, which the report writers use directly). An
// answer that standard output does not take (closed, full, a reader that
// has gone) is remembered, so that the run does not end as a success.
#include <string_view>

#include "platform/answer_output.h"

namespace qv_output {

/// Exit status of a run whose command succeeded but whose answer could not
/// be written whole.
inline constexpr int kAnswerNotWritten = 12;

/// True once an answer line or raw bytes could not be written whole.
bool answerLost();

/// The exit status for a command that returned `code`: `code` itself, or
/// kAnswerNotWritten when it is 0 and the answer was lost. Flushes first.
int exitStatus(int code);

/// Writes `text` and a newline to standard output.
void line(std::string_view text);

/// Writes the failure answer "searchcontrol-error=<code>" and returns `code`,
/// which most failed commands exit with.
int answerError(int code);

/// Writes `text` and a newline to standard error, then flushes.
void errorLine(std::string_view text);

/// Writes bytes to standard output as they are (no newline added).
/// Returns false when standard output cannot take them.
[[nodiscard]] bool raw(std::string_view bytes);

/// Writes everything pending now; called before a long computation.
void flush();

}  // namespace qv_output
