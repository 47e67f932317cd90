#include "config/process_settings.h"

#include "config/cluster_settings.h"
#include "config/qv_options.h"

namespace {

// The process-wide configuration objects, made on first use.
struct ProcessConfiguration {
  qv_options options;
  qv_cluster_settings cluster;
};

ProcessConfiguration& current() {
  static ProcessConfiguration configuration;
  return configuration;
}

}  // namespace

qv_engine_settings engineSettingsFrom(const qv_options& o, const qv_cluster_settings& c) {
  qv_engine_settings v;
  v.errorLogFile = o.getErrorLogFile();
  v.monitorLogFile = o.getMonitorLogFile();
  v.ipcLogFile = c.getIPCLogfile();
  v.ntIUserGroup = o.getNTIUserGroup();
  v.ntMonitorGroup = o.getNTMonitorGroup();
  v.mail.emailErrorsEnabled = o.getEmailErrorsEnabled();
  v.mail.errMessageEmailTo = o.getErrMessageEmailTo();
  v.mail.mailTransport = o.getMailTransport();
  v.mail.emailService = o.getEmailService();
  v.mail.emailPassword = o.getEmailPassword();
  v.mail.emailProfile = o.getEmailProfile();
  v.mail.sendmailPath = o.getSendmailPath();
  v.mail.emailFromUser = o.getEmailFromUser();
  v.mail.emailFromTextName = o.getEmailFromTextName();
  v.mail.mailTempFile = o.getMailTempFile();
  v.mail.interFileBasePath = o.getInterFileBasePath();
  return v;
}

void setProcessSettings(const qv_options& options, const qv_cluster_settings& cluster) {
  ProcessConfiguration& c = current();
  c.options = options;
  c.cluster = cluster;
  setEngineSettings(engineSettingsFrom(options, cluster));
}

const qv_options& getProcessOptions() { return current().options; }

const qv_cluster_settings& getProcessClusterSettings() { return current().cluster; }
