#pragma once
// The configuration made the process-wide settings: a command that has read
// the configuration hands its options and cluster settings to
// setProcessSettings, which keeps copies for the rest of the process and
// turns them into the plain settings of the engine reporter, the file
// utilities that report and the mail facility (errors/engine_settings.h).
#include "errors/engine_settings.h"

class qv_options;
class qv_cluster_settings;

/// The reporter's settings taken from a configuration's options (log paths,
/// groups, mail options) and cluster settings (IPC log).
qv_engine_settings engineSettingsFrom(const qv_options& options, const qv_cluster_settings& cluster);

/// Keeps copies of `options` and `cluster` as the process-wide configuration
/// and makes engineSettingsFrom(options, cluster) the reporter's settings.
void setProcessSettings(const qv_options& options, const qv_cluster_settings& cluster);

/// The process-wide options (defaults until setProcessSettings; valid for the
/// life of the process).
const qv_options& getProcessOptions();

/// The process-wide cluster settings (defaults until setProcessSettings).
const qv_cluster_settings& getProcessClusterSettings();
