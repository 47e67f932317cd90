#include "registry/engine_settings.h"

#include "config/cluster_settings.h"
#include "config/qv_options.h"

namespace {

// The process-wide objects, made on first use.
struct ProcessSettings {
  qv_options options;
  qv_cluster_settings cluster;
  qv_engine_settings view;
};

ProcessSettings& current() {
  static ProcessSettings settings;
  return settings;
}

qv_engine_settings viewOf(const qv_options& o, const qv_cluster_settings& c) {
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

}  // namespace

const qv_engine_settings& getEngineSettings() { return current().view; }

void setEngineSettings(const qv_engine_settings& settings) { current().view = settings; }

void setProcessSettings(const qv_options& options, const qv_cluster_settings& cluster) {
  ProcessSettings& s = current();
  s.options = options;
  s.cluster = cluster;
  s.view = viewOf(options, cluster);
}

const qv_options& getProcessOptions() { return current().options; }

const qv_cluster_settings& getProcessClusterSettings() { return current().cluster; }
