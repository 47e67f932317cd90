#pragma once
// Small whole-file helpers over POSIX descriptors.
#include <optional>
#include <string>
#include <string_view>

namespace qv_platform {

/// Appends `line` to the file at `path` with one write in append mode. When the
/// file did not exist and this call created it, `headerIfNew` is written first,
/// in the same write. An existing `path` is written only when it is itself a
/// regular file (not a symbolic link, FIFO, device or directory); the call
/// never waits for a reader. Returns false when the file cannot be opened or
/// written, or is not a regular file.
[[nodiscard]] bool appendToFile(const std::string& path, std::string_view line,
                                std::string_view headerIfNew = {});

/// Reads a whole file; nullopt when it cannot be opened or read.
[[nodiscard]] std::optional<std::string> readWholeFile(const std::string& path);

/// True when something exists at `path`.
[[nodiscard]] bool pathExists(const std::string& path);

/// Writes `data` to standard output completely (retrying short writes).
[[nodiscard]] bool writeStdout(std::string_view data);

/// Writes `data` to the open descriptor `fd` completely: a short write goes
/// on with the rest and an interrupted one is retried. False on any other
/// failure (errno tells which); part of `data` may have been written then.
[[nodiscard]] bool writeAll(int fd, std::string_view data);

/// Opens /dev/null read-only on each of the descriptors 0, 1 and 2 that is
/// not open, so that no file opened later takes a standard stream's number
/// and writes to a closed standard output or error still fail.
void holdClosedStandardStreams();

/// Makes a write to a pipe or socket whose reader has gone fail (EPIPE)
/// instead of ending the process with SIGPIPE, so that a program can tell
/// that its answer was lost and end with a status of its own.
void treatBrokenPipesAsWriteErrors();

/// The value of an environment variable, or nullopt when it is not set.
std::optional<std::string> getEnv(const char* name);

}  // namespace qv_platform
