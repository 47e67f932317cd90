#pragma once
// Replacing a whole file atomically: readers see the old contents or the new,
// never a part, and a failed write leaves the old file as it was.
#include <string>
#include <string_view>

namespace qv_platform {

/// Writes `data` to a new temporary file in the directory of `path` (named
/// "." + as much of the file name as fits + ".tmp" + six random characters,
/// so that it is hidden, never mistaken for the file itself, and never
/// longer than the directory allows a name to be), flushes it to disk and
/// renames it over `path`. The temporary file is readable and writable by
/// its owner only while it is written, and given its final mode just before
/// the rename: the permission bits of the file it replaces, or 0600 (owner
/// only, whatever the umask) for a file it makes. On failure the temporary
/// file is removed, `path` is untouched and `*error` (when not null) holds
/// the reason.
[[nodiscard]] bool replaceFileAtomically(const std::string& path, std::string_view data,
                                         std::string* error = nullptr);

}  // namespace qv_platform
