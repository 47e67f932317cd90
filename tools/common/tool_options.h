#pragma once
// The options every tool besides the main program answers in the same way:
// --help and --version. A tool calls answerStandardOption first thing in
// main and ends with the status it returns, if any.
#include <optional>
#include <string_view>

namespace qv_tools {

/// The project version the tools were built from ("2.1.0").
std::string_view projectVersion();

/// Answers --help or --version when it is the first argument: --help writes
/// `synopsis` (the tool's usage text, as it stands) to standard output,
/// --version writes "<name> <project version>" and a newline. Returns the
/// exit status to end with: 0, or 1 when the answer could not be written
/// (then a line on standard error says so). Returns nullopt, writing
/// nothing, when the first argument is neither option (or there is none),
/// so the tool reads its command line as usual.
std::optional<int> answerStandardOption(int argc, const char* const* argv, std::string_view name,
                                        std::string_view synopsis);

}  // namespace qv_tools
