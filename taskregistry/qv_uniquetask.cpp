#include "taskregistry/qv_uniquetask.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "config/process_settings.h"
#include "errors/engine_error.h"
#include "errors/file_utilities.h"
#include "platform/bus_error_guard.h"
#include "platform/clock.h"
#include "platform/file_io.h"
#include "taskregistry/mmapfile.h"

namespace {

using qv_controlfile::qv_controlview;

// Negation that cannot overflow: the most negative value stays the largest.
int32_t negated(int32_t v) { return v == INT32_MIN ? INT32_MAX : -v; }

// Makes a day directory that does not exist yet, with its missing parents,
// and gives it its access rights. A failure shows when its files are made.
void ensureDayDirectory(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::create_directories(dir, ec) && !ec) (void)setAccessRights(dir);
}

// The guarded part of a job-slot operation: the search for the slot and the
// caller's word accesses to it. Owns nothing, so it can be abandoned anywhere.
struct SlotScan {
  qv_controlview view;
  int64_t taskId;
  const std::function<void(qv_controlview&, uint64_t)>* apply;
  bool found;
};

void scanForSlot(void* context) {
  SlotScan& scan = *static_cast<SlotScan*>(context);
  if (const std::optional<uint64_t> slot = scan.view.findSlot(scan.taskId)) {
    (*scan.apply)(scan.view, *slot);
    scan.found = true;
  }
}

}  // namespace

qv_uniquetask::qv_uniquetask() {
  if (readConfiguration()) (void)createTaskID();
}

qv_uniquetask::qv_uniquetask(int64_t taskId) {
  record_.taskId = taskId;
  if (readConfiguration()) (void)refreshTask();
}

bool qv_uniquetask::readConfiguration() {
  config_.setTimeout(kConfigTimeout);
  config_.readFile();
  // From here on the reporter writes to the configured logs and new files
  // and directories get the configured groups, whatever the command.
  setProcessSettings(config_.getOptions(), config_.getCluster());
  configValid_ = config_.isValid();
  if (!configValid_) {
    errorCode_ = REGISTRY_ERR_CONFIG;
    reportError(ERR_IN_CONFIGURATION_FILE_QUIET, kRegistryJob, __LINE__, __FILE__,
                config_.getErrors().getLastErrorString());
  }
  return configValid_;
}

std::string qv_uniquetask::dayDirectory(int64_t taskId) const {
  return qv_tasklayout::dayDirectory(config_.getOptions().getInterFileBasePath(), taskId);
}

bool qv_uniquetask::createTaskID() {
  errorCode_ = REGISTRY_OK;
  const int64_t now = qv_platform::currentTime();
  record_ = qv_taskrecord{};
  record_.creationTime = now;
  record_.lastUpdate = now;
  int64_t candidate = now * 100 + 1;
  // The day index stays locked from the check to the append, so no other
  // process can take the same identifier in between; a new identifier also
  // exceeds every one of its day already in the index, so the index needs
  // no scan.
  for (;;) {
    const std::string dayName = qv_tasklayout::dayName(candidate);
    const std::string day = dayDirectory(candidate);
    if (day.empty() || !qv_tasklayout::fitsIdentifierColumn(candidate)) {
      // A clock this far off gives no day directory and no identifier that
      // fits its column: nothing is made.
      reportError(ERR_FAILED_TO_OPEN_FILE_QUIET, kRegistryJob, __LINE__, __FILE__,
                  "no day directory for the identifier " + qv_tasklayout::identifierText(candidate),
                  config_.getOptions().getInterFileBasePath());
      errorCode_ = REGISTRY_ERR_CREATE;
      return false;
    }
    ensureDayDirectory(day);
    qv_taskfiles::qv_dayindex_writer index(day);
    if (const int code = index.open(); code != REGISTRY_OK) {
      errorCode_ = code;
      return false;
    }
    // Identifiers of other days (a damaged or forged record) do not move the
    // counter: it stays in the range of this day.
    const auto ofThisDay = [&](int64_t id) {
      return id > 0 && qv_tasklayout::fitsIdentifierColumn(id) && qv_tasklayout::dayName(id) == dayName;
    };
    std::optional<int64_t> largest;
    if (const int code = index.largestIdOfDay(ofThisDay, largest); code != REGISTRY_OK) {
      errorCode_ = code;
      return false;
    }
    if (largest && *largest >= candidate) candidate = *largest + 1;
    while (qv_tasklayout::dayName(candidate) == dayName && qv_tasklayout::fitsIdentifierColumn(candidate)) {
      bool taken = qv_platform::pathExists(qv_tasklayout::taskFilePath(day, candidate));
      if (!taken && qv_platform::pathExists(qv_tasklayout::kLegacyRegistryPath)) {
        std::optional<qv_found_record> legacy;
        const int code = qv_taskfiles::findRecord(qv_tasklayout::kLegacyRegistryPath, {}, candidate, legacy);
        if (code != REGISTRY_OK) {
          errorCode_ = code;
          return false;
        }
        taken = legacy.has_value();
      }
      if (taken) {
        ++candidate;
        continue;
      }
      record_.taskId = candidate;
      record_.state = TASK_INFO_STATE_ID_ASSIGNED;
      int64_t position = -1;
      if (const int code = index.append(record_, position); code != REGISTRY_OK) {
        errorCode_ = code;
        return false;
      }
      recordKind_ = RECORD_KIND_DAY_INDEX;
      recordPosition_ = position;
      errorCode_ = index.close();
      return errorCode_ == REGISTRY_OK;
    }
    // The counter ran into the next day: go on in that day's index.
    (void)index.close();
  }
}

bool qv_uniquetask::findRecord() {
  const int64_t taskId = record_.taskId;
  std::optional<qv_found_record> found;
  int kind = RECORD_KIND_DAY_INDEX;
  int code = REGISTRY_OK;
  // An identifier without a day (far outside the calendar) can only be in
  // the legacy registry.
  const std::string day = dayDirectory(taskId);
  if (qv_platform::pathExists(qv_tasklayout::kLegacyRegistryPath)) {
    code = qv_taskfiles::findRecord(qv_tasklayout::kLegacyRegistryPath, {}, taskId, found);
    kind = RECORD_KIND_LEGACY;
  }
  if (code == REGISTRY_OK && !found && !day.empty()) {
    const std::string taskFile = qv_tasklayout::taskFilePath(day, taskId);
    if (qv_platform::pathExists(taskFile)) {
      code = qv_taskfiles::readTaskFile(taskFile, found);
      kind = RECORD_KIND_TASK_FILE;
    }
  }
  if (code == REGISTRY_OK && !found && !day.empty()) {
    const std::string index = qv_tasklayout::dayIndexPath(day);
    if (qv_platform::pathExists(index)) {
      code = qv_taskfiles::findRecord(index, day, taskId, found);
      kind = RECORD_KIND_DAY_INDEX;
    }
  }
  errorCode_ = code;
  if (!found) {
    record_ = qv_taskrecord{};
    record_.taskId = taskId;
    recordPosition_ = -1;
    return false;
  }
  record_ = found->record;
  record_.taskId = taskId;
  recordKind_ = kind;
  recordPosition_ = found->position;
  return true;
}

bool qv_uniquetask::refreshTask() {
  if (!configValid_) return false;
  errorCode_ = REGISTRY_OK;
  const bool recordFound = findRecord();
  if (errorCode_ != REGISTRY_OK) return false;
  char nameBytes[qv_controlfile::kResultsNameSpace];
  size_t nameLength = 0;
  int32_t jobStatus = 0;
  int32_t slotProgress = 0;
  const bool slotFound = withJobSlot(true, [&](qv_controlview& view, uint64_t slot) {
    nameLength = view.copyResultsName(slot, nameBytes);
    jobStatus = view.load32(slot + qv_controlfile::kJobStatusOffset);
    slotProgress = view.load32(slot + qv_controlfile::kProgressOffset);
  });
  if (!slotFound) return recordFound;
  const std::string slotName(nameBytes, nameLength);
  record_.resultsFileName = slotName;
  const std::optional<qv_controlfile::qv_jobstatus_effect> effect = qv_controlfile::effectOfJobStatus(jobStatus);
  if (!effect) return true;
  if (effect->progressFromSlot) progress_ = slotProgress;
  if (effect->progressComplete) progress_ = 100;
  const int32_t errorNumber = effect->setsError ? effect->errorNumber : record_.errorNumber;
  if (effect->state != record_.state) {
    // The engine's job number and the owner's user id stay as they are:
    // results permissions depend on the latter.
    (void)updateTask(effect->state, errorNumber, slotName, record_.jobNumber, record_.spare);
  } else {
    record_.errorNumber = errorNumber;
  }
  return true;
}

bool qv_uniquetask::updateTask(int32_t state, int32_t errorNumber, const std::string& resultsFileName,
                               int32_t jobNumber, int32_t spare) {
  errorCode_ = REGISTRY_OK;
  record_.state = state;
  record_.errorNumber = errorNumber;
  record_.jobNumber = jobNumber;
  record_.spare = spare;
  record_.lastUpdate = qv_platform::currentTime();
  const bool cut = resultsFileName.size() > qv_tasklayout::kNameMaxLength;
  record_.resultsFileName = cut ? resultsFileName.substr(0, qv_tasklayout::kNameCutLength) : resultsFileName;
  if (recordPosition_ < 0) return false;  // no file holds the task
  std::string path;
  std::string indexDay;
  switch (recordKind_) {
    case RECORD_KIND_LEGACY:
      path = qv_tasklayout::kLegacyRegistryPath;
      break;
    case RECORD_KIND_TASK_FILE:
      path = qv_tasklayout::taskFilePath(dayDirectory(record_.taskId), record_.taskId);
      break;
    default:
      indexDay = dayDirectory(record_.taskId);
      path = qv_tasklayout::dayIndexPath(indexDay);
      break;
  }
  if (const int code = qv_taskfiles::writeRecord(path, recordPosition_, record_, indexDay); code != REGISTRY_OK) {
    errorCode_ = code;
    return false;
  }
  if (cut) errorCode_ = REGISTRY_ERR_NAME_CUT;
  return true;
}

bool qv_uniquetask::withJobSlot(bool readOnly, const std::function<void(qv_controlview&, uint64_t)>& apply) {
  if (!configValid_) return false;
  const std::string& path = config_.getOptions().getTarnelControlFile();
  std::error_code ec;
  const uintmax_t statSize = std::filesystem::file_size(path, ec);
  if (ec) return false;  // no control file: no search engine running, nothing to report
  if (!qv_controlfile::isWholeBlocks(statSize)) {
    reportError(ERR_INCOMPATIBLE_QVSEARCHCONTROL, kRegistryJob, __LINE__, __FILE__);
    return false;
  }
  qv_memmapfile map;
  int mapError = 0;
  if (!map.open(path, readOnly, mapError, 0, 0, 0, false)) {
    map.close();
    return false;
  }
  const uint64_t size = map.getFileSize();
  bool found = false;
  if (!qv_controlfile::isWholeBlocks(size)) {
    reportError(ERR_INCOMPATIBLE_QVSEARCHCONTROL, kRegistryJob, __LINE__, __FILE__);
  } else if (char* base = size > 0 ? map.pointer(0, size) : nullptr; base != nullptr) {
    // The engine may shrink or rewrite the file while it is scanned: a page
    // that is no longer backed by the file abandons the scan, and the slot
    // counts as not found.
    SlotScan scan{qv_controlview(base, size), record_.taskId, &apply, false};
    if (!qv_platform::runGuardedAgainstBusError(&scanForSlot, &scan)) scan.found = false;
    found = scan.found;
  }
  map.close();
  return found;
}

bool qv_uniquetask::placeRequest(int32_t request) {
  return withJobSlot(false, [&](qv_controlview& view, uint64_t slot) {
    (void)view.store32(slot + qv_controlfile::kRequestOffset, request);
  });
}

bool qv_uniquetask::killJob() { return placeRequest(qv_controlfile::JOB_REQUEST_KILL); }
bool qv_uniquetask::pauseJob() { return placeRequest(qv_controlfile::JOB_REQUEST_PAUSE); }
bool qv_uniquetask::resumeJob() { return placeRequest(qv_controlfile::JOB_REQUEST_RUN); }

bool qv_uniquetask::setNice(int32_t nice) {
  return withJobSlot(false, [&](qv_controlview& view, uint64_t slot) {
    (void)view.store32(slot + qv_controlfile::kPriorityOffset, negated(nice));
  });
}

int32_t qv_uniquetask::getNice() {
  int32_t nice = 0;
  (void)withJobSlot(true, [&](qv_controlview& view, uint64_t slot) {
    nice = negated(view.load32(slot + qv_controlfile::kPriorityOffset));
  });
  return nice;
}
