#pragma once
// The defaults of the settings that both the configuration (config/) and the
// engine reporter with its mail facility read, defined once here, at the
// lower of the two layers: the reporter starts with them before any
// configuration is read, and the configuration's options fall back on them.
// A test checks that the reporter's default settings equal those derived
// from a default configuration.

/// ErrorLogFile: the error log.
inline constexpr char QV_DEFAULT_ERROR_LOG_FILE[] = "../logs/errorlog.txt";
/// MonitorLogFile: the monitor log.
inline constexpr char QV_DEFAULT_MONITOR_LOG_FILE[] = "../logs/monitor.log";
/// IPCLogfile of the Cluster section: the IPC log.
inline constexpr char QV_DEFAULT_IPC_LOG_FILE[] = "../logs/IPC.log";
/// NTIUserGroup: the group of the web server's user, given access to new files.
inline constexpr char QV_DEFAULT_NT_IUSER_GROUP[] = "Guests";
/// NTMonitorGroup: the administrators' group, given access to new files.
inline constexpr char QV_DEFAULT_NT_MONITOR_GROUP[] = "Administrators";
/// InterFileBasePath: the directory of the task files (and named mail files).
inline constexpr char QV_DEFAULT_INTER_FILE_BASE_PATH[] = "/opt/tarnel/data";
/// MailTempFile: the template of temporary mail file names.
inline constexpr char QV_DEFAULT_MAIL_TEMP_FILE[] = "/tmp/MXXXXXX";
/// sendmailPath: the mail command.
inline constexpr char QV_DEFAULT_SENDMAIL_PATH[] = "/usr/lib/sendmail";
/// MailTransport: 2, the mail command fed the mail file.
inline constexpr int QV_DEFAULT_MAIL_TRANSPORT = 2;
