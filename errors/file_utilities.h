#pragma once
// The file utilities that report: opening a file, locking and unlocking a
// byte range and giving a new file or directory its access rights, each a
// raw primitive of platform/qv_fileutil.h whose failure is reported through
// the engine reporter. The registry, the mapped files and the mail facility
// use these; the reporter itself uses the raw primitives, so that a failure
// while it writes its log never re-enters it.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/qv_fileutil.h"

/// Opens `path` with an fopen-style `mode` ("r", "w", "a", each optionally
/// with "+", "b" and "t"; "b" and "t" change nothing here). New files get
/// mode 0666 less the umask. When it fails and `report` is set, reports
/// engine error 12 (ERR_OPEN_FILE) with the path, the mode and the system's
/// text. The returned file is closed (isOpen false) on failure, with the
/// system error code left as the last error.
qv_file openFile(const std::string& path, std::string_view mode, bool report);

/// Locks bytes offset..offset+length-1 of the open file `fd` for this open
/// file description (qv_platform::lockRange: exclusive when the descriptor
/// can write, shared when it is read-only; waits about ten seconds for
/// another holder). Returns 0 when locked, -1 otherwise with the system
/// error code left as the last error; a failure is reported as engine error
/// 267 (ERR_FAIL_LOCK_FILE) unless `quiet` is set.
int lockRegion(int fd, int64_t offset, int64_t length, bool quiet);

/// Releases a range locked by lockRegion. Returns 0 on success, -1 on
/// failure (always reported as engine error 267).
int unlockRegion(int fd, int64_t offset, int64_t length);

/// setAccessRightsQuiet with the process-wide groups (NTIUserGroup,
/// NTMonitorGroup of the reporter's settings); a failure is reported (359
/// for code 1, 143 for codes 2 to 4) unless `path` is the error log file's
/// own path. Returns the code (a qv_access_result).
int setAccessRights(const std::string& path, int flags = QV_ACCESS_FILE_OBJECT);
