#pragma once
// Every answer line goes through here: written whole and flushed at once,
// because the callers read the answer line by line while the program runs.
#include <string_view>

namespace qv_output {

/// Writes `text` and a newline to standard output, then flushes.
void line(std::string_view text);

/// Writes `text` and a newline to standard error, then flushes.
void errorLine(std::string_view text);

/// Writes bytes to standard output as they are (no newline added) and flushes.
/// Returns false when standard output cannot take them.
[[nodiscard]] bool raw(std::string_view bytes);

}  // namespace qv_output
