#pragma once
// Replacing a whole file atomically: readers see the old contents or the new,
// never a part, and a failed write leaves the old file as it was.
#include <string>
#include <string_view>

namespace qv_platform {

/// Whether a replacement may make the file.
enum class ReplaceMode {
  /// The file is made when it is missing (a plain rename over it).
  CreateOrReplace,
  /// Only a file that is still there at the moment of the replacement is
  /// replaced: the new file is exchanged with the old one in one step, so a
  /// file removed meanwhile (even a moment before) stays removed. A file
  /// system that cannot exchange two files makes the replacement fail.
  ReplaceExisting,
};

/// What became of a replacement.
enum class ReplaceResult {
  Replaced,    ///< the new contents are in place
  TargetGone,  ///< ReplaceExisting only: the file was not there; nothing was made
  Failed,      ///< the file is as it was; the error says why
};

/// Writes `data` to a new temporary file in the directory of `path`, flushes
/// it to disk and puts it in the place of `path` as `mode` says. The
/// temporary file is hidden ("." + as much of the file name as fits +
/// ".tmp" + six random characters, never longer than the directory allows a
/// name to be), readable and writable by its owner only while it is
/// written, and given its final mode just before it takes the file's place:
/// the permission bits of the file it replaces, or 0600 (owner only,
/// whatever the umask) for a file it makes. On any outcome but Replaced the
/// temporary file is removed and `path` is untouched; on Failed `*error`
/// (when not null) holds the reason.
[[nodiscard]] ReplaceResult replaceFileAtomically(const std::string& path, std::string_view data, ReplaceMode mode,
                                                  std::string* error = nullptr);

}  // namespace qv_platform
