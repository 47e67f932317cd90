#pragma once
// The process-wide settings of the engine reporter and the file utilities
// that report: the log paths, the groups given access to new files and the
// mail settings, as plain values. They hold the configuration's defaults
// until the configuration's setProcessSettings (config/process_settings.h)
// or a program without a configuration (setEngineSettings) replaces them.
#include <string>

#include "errors/mailit.h"
#include "errors/setting_defaults.h"

/// The values the reporter, the access rights and the mail facility read.
struct qv_engine_settings {
  std::string errorLogFile = QV_DEFAULT_ERROR_LOG_FILE;      ///< ErrorLogFile
  std::string monitorLogFile = QV_DEFAULT_MONITOR_LOG_FILE;  ///< MonitorLogFile
  std::string ipcLogFile = QV_DEFAULT_IPC_LOG_FILE;          ///< IPC log file of the cluster settings
  std::string ntIUserGroup = QV_DEFAULT_NT_IUSER_GROUP;      ///< NTIUserGroup
  std::string ntMonitorGroup = QV_DEFAULT_NT_MONITOR_GROUP;  ///< NTMonitorGroup
  qv_mail_settings mail;

  bool operator==(const qv_engine_settings&) const = default;
};

/// The current process-wide settings (valid for the life of the process;
/// changed only by setEngineSettings).
const qv_engine_settings& getEngineSettings();

/// Replaces the process-wide settings with plain values.
void setEngineSettings(const qv_engine_settings& settings);
