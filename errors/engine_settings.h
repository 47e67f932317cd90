#pragma once
// The process-wide settings of the engine reporter and the file utilities
// that report: the log paths, the groups given access to new files and the
// mail settings, as plain values. They hold the configuration's defaults
// until the configuration's setProcessSettings (config/process_settings.h)
// or a program without a configuration (setEngineSettings) replaces them.
#include <string>

#include "errors/mailit.h"

/// The values the reporter, the access rights and the mail facility read.
struct qv_engine_settings {
  std::string errorLogFile = "../logs/errorlog.txt";   ///< ErrorLogFile
  std::string monitorLogFile = "../logs/monitor.log";  ///< MonitorLogFile
  std::string ipcLogFile = "../logs/IPC.log";          ///< IPC log file of the cluster settings
  std::string ntIUserGroup = "Guests";                 ///< NTIUserGroup
  std::string ntMonitorGroup = "Administrators";       ///< NTMonitorGroup
  qv_mail_settings mail;
};

/// The current process-wide settings (valid for the life of the process;
/// changed only by setEngineSettings).
const qv_engine_settings& getEngineSettings();

/// Replaces the process-wide settings with plain values.
void setEngineSettings(const qv_engine_settings& settings);
