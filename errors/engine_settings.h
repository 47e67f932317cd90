#pragma once
// The process-wide settings of the engine reporter and the platform
// utilities: the log paths, the groups given access to new files and the
// mail settings. They hold the configuration's defaults until
// setProcessSettings copies a configuration's options and cluster settings.
#include <string>

#include "platform/mailit.h"

class qv_options;
class qv_cluster_settings;

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
/// changed only by setProcessSettings and setEngineSettings).
const qv_engine_settings& getEngineSettings();

/// Replaces the process-wide settings with plain values (for programs and
/// tests that have no configuration object).
void setEngineSettings(const qv_engine_settings& settings);

/// Copies a configuration's options and cluster settings into the
/// process-wide settings (log paths, groups, mail settings).
void setProcessSettings(const qv_options& options, const qv_cluster_settings& cluster);

/// The process-wide options (defaults until setProcessSettings).
const qv_options& getProcessOptions();

/// The process-wide cluster settings (defaults until setProcessSettings).
const qv_cluster_settings& getProcessClusterSettings();
