#pragma once
// The task registry: hands out unique task identifiers, keeps each task's
// fixed-width record in the shared registry files, brings the record up to
// date from the search engine's control file, and passes kill, pause,
// resume and priority requests to the task's job through that file.
// Failures are reported to the engine reporter (job -21) and kept as the
// registry error code of the last operation (getErrorCode).
#include <cstdint>
#include <functional>
#include <string>

#include "config/qv_datfile.h"
#include "taskregistry/control_file.h"
#include "taskregistry/task_files.h"
#include "taskregistry/task_record.h"

/// Where the record of a task was found.
enum qv_record_kind : int {
  RECORD_KIND_LEGACY = 0,     ///< "../data/task_id"
  RECORD_KIND_TASK_FILE = 1,  ///< "<day directory>/<id>.task"
  RECORD_KIND_DAY_INDEX = 2,  ///< "<day directory>/task_id"
};

class qv_uniquetask {
 public:
  /// Seconds the configuration file is looked for.
  static constexpr int kConfigTimeout = 1;

  /// A registry for a new task: reads the configuration and hands out an
  /// identifier (createTaskID). Afterwards the record holds the identifier
  /// and state 1, unless getErrorCode() is not 0.
  qv_uniquetask();
  /// A registry for an existing task: reads the configuration and refreshes
  /// (refreshTask). The state stays 0 when no file holds the identifier.
  explicit qv_uniquetask(int64_t taskId);

  qv_uniquetask(const qv_uniquetask&) = delete;
  qv_uniquetask& operator=(const qv_uniquetask&) = delete;

  /// Finds and reads the record, then brings the state up to date from the
  /// control file. True when the record or the job's slot was found.
  bool refreshTask();

  /// Sets the fields and the last update time (now) and writes the record
  /// back where it was found. A results file name longer than 245
  /// characters is cut to its first 244 and sets error code 9. True when
  /// the record was written.
  bool updateTask(int32_t state, int32_t errorNumber, const std::string& resultsFileName, int32_t jobNumber,
                  int32_t spare);

  /// Job requests on the task's slot of the control file. Each returns
  /// whether the slot was found (false also when the control file is
  /// missing or not of the expected size).
  bool killJob();
  bool pauseJob();
  bool resumeJob();
  /// Stores the nice value `nice` as the slot's priority (negated).
  bool setNice(int32_t nice);
  /// The job's nice value (the negated stored priority); 0 when the slot is not found.
  int32_t getNice();

  int64_t getTaskID() const { return record_.taskId; }
  int32_t getProgress() const { return progress_; }
  int32_t getJobNumber() const { return record_.jobNumber; }
  int32_t getState() const { return record_.state; }
  int32_t getErrorNumber() const { return record_.errorNumber; }
  const std::string& getResultsFileName() const { return record_.resultsFileName; }
  int32_t getSpare() const { return record_.spare; }
  int getErrorCode() const { return errorCode_; }
  /// Where the record was found, and its byte offset there (-1: not found).
  int getRecordKind() const { return recordKind_; }
  int64_t getRecordPosition() const { return recordPosition_; }

 private:
  bool readConfiguration();
  bool createTaskID();
  bool findRecord();
  std::string dayDirectory(int64_t taskId) const;
  /// Runs `apply` on the task's slot with the control file mapped; false
  /// when the slot was not found, or could not be read because the file
  /// shrank meanwhile. `apply` may be abandoned part-way by that: it must
  /// only copy words between the slot and plain memory (no allocation).
  bool withJobSlot(bool readOnly, const std::function<void(qv_controlfile::qv_controlview&, uint64_t)>& apply);
  bool placeRequest(int32_t request);

  int32_t progress_ = 0;
  qv_datfile config_;
  qv_taskrecord record_;
  int64_t recordPosition_ = -1;
  int recordKind_ = RECORD_KIND_DAY_INDEX;
  int errorCode_ = REGISTRY_OK;
  bool configValid_ = false;
};
