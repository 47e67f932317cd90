#include "errors/file_utilities.h"

#include "errors/engine_error.h"
#include "errors/engine_settings.h"
#include "platform/system_error.h"

qv_file openFile(const std::string& path, std::string_view mode, bool report) {
  qv_file file = qv_platform::openPath(path, mode);
  if (file.isOpen()) return file;
  const int error = qv_platform::lastErrorCode();
  if (report) reportError(ERR_OPEN_FILE, -1, __LINE__, __FILE__, path, mode, qv_platform::systemErrorText(error));
  qv_platform::setLastErrorCode(error);
  return file;
}

int lockRegion(int fd, int64_t offset, int64_t length, bool quiet) {
  const int error = qv_platform::lockRange(fd, offset, length);
  if (error == 0) return 0;
  if (!quiet) reportSystemErrorCode(ERR_FAIL_LOCK_FILE, __LINE__, __FILE__, qv_platform::descriptorName(fd), error);
  qv_platform::setLastErrorCode(error);
  return -1;
}

int unlockRegion(int fd, int64_t offset, int64_t length) {
  const int error = qv_platform::unlockRange(fd, offset, length);
  if (error == 0) return 0;
  reportSystemErrorCode(ERR_FAIL_LOCK_FILE, __LINE__, __FILE__, qv_platform::descriptorName(fd), error);
  qv_platform::setLastErrorCode(error);
  return -1;
}

int setAccessRights(const std::string& path, int flags) {
  (void)flags;  // every object named here is a file-system object
  const qv_engine_settings& settings = getEngineSettings();
  qv_access_outcome out = setAccessRightsQuiet(path, settings.ntIUserGroup, settings.ntMonitorGroup);
  // A failure on the error log itself is not reported into that log.
  if (out.code == QV_ACCESS_DONE || path == settings.errorLogFile) return out.code;
  switch (out.code) {
    case QV_ACCESS_NOT_WRITABLE:
      reportSystemErrorCode(ERR_FAIL_CHMOD, __LINE__, __FILE__, path, out.systemCode);
      break;
    case QV_ACCESS_READ_ACL:
      reportError(ERR_MMAP_SECURITY, -1, __LINE__, __FILE__, out.systemCode, "GetNamedSecurityInfo");
      break;
    case QV_ACCESS_BUILD_ACL:
      reportError(ERR_MMAP_SECURITY, -1, __LINE__, __FILE__, out.systemCode, "SetEntriesInAcl");
      break;
    default:
      reportError(ERR_MMAP_SECURITY, -1, __LINE__, __FILE__, out.systemCode, "SetNamedSecurityInfo");
      break;
  }
  return out.code;
}
