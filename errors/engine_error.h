#pragma once
// The engine error reporter: the one way the lower layers (task registry,
// mapped files, file utilities, mail) report trouble. A report is formatted
// from the engine error table and goes, by the row's category, to the error
// log, standard output (as HTML), the administrator's mail, the retained
// list, the monitor log and the IPC log; a fatal category ends the process.
//
// The reporter is meant for one thread: the retained list and the settings
// are not protected against concurrent use.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "errors/engine_error_numbers.h"
#include "errors/qv_format.h"

/// Reports engine error `number` for search job `job` (-1 when there is
/// none). `line` and `sourceFile` only label the log records (the file name
/// is reduced to its stem). `args` are the arguments of the row's format.
/// Does not return when the row's category is fatal.
void reportErrorArgs(int32_t number, int32_t job, int32_t line, std::string_view sourceFile,
                     std::span<const qv_format::Arg> args);

/// Typed front end of reportErrorArgs: reportError(ERR_OPEN_FILE, -1,
/// __LINE__, __FILE__, path, "r", text).
template <typename... A>
void reportError(int32_t number, int32_t job, int32_t line, std::string_view sourceFile, const A&... args) {
  const std::array<qv_format::Arg, sizeof...(A)> list{qv_format::Arg(args)...};
  reportErrorArgs(number, job, line, sourceFile, std::span<const qv_format::Arg>(list));
}

/// Reports a failed operating-system call: reportError with job -1, the
/// row's format receiving `argument` and then the system's text for the
/// calling thread's last error.
void reportSystemError(int32_t number, int32_t line, std::string_view sourceFile, std::string_view argument);

/// As reportSystemError, for an error code the caller saved earlier.
void reportSystemErrorCode(int32_t number, int32_t line, std::string_view sourceFile, std::string_view argument,
                           int systemCode);

/// The messages retained so far (at most 100, in order of reporting).
const std::vector<std::string>& getRetainedMessages();

/// The part of `sourceFile` after its last backslash or, if none, its last
/// slash, cut at its first dot.
std::string engineSourceStem(std::string_view sourceFile);

/// `text` with every "<" written as "&lt;" and every ">" as "&gt;".
std::string engineEscapeAngles(std::string_view text);
