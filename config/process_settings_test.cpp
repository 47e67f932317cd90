// The configuration made the process-wide settings of the engine reporter.
#include "config/process_settings.h"

#include <gtest/gtest.h>

#include <string>

#include "config/cluster_settings.h"
#include "config/qv_options.h"
#include "errors/engine_error.h"
#include "testsupport/server_tree.h"

namespace {

TEST(ProcessSettings, ComeFromTheConfigurationObjectsAndReachTheReporter) {
  qvtest::ServerTree tree;
  qv_options options;
  options.setErrorLogFile(tree.path("logs/err.txt"));
  options.setNTMonitorGroup("adm");
  options.setMailTransport(3);
  options.setErrMessageEmailTo("root@example.org");
  options.setSendmailPath("/usr/sbin/sendmail -t");
  qv_cluster_settings cluster;
  cluster.setIPCLogfile(tree.path("logs/ipc.txt"));
  setProcessSettings(options, cluster);
  EXPECT_EQ(getProcessOptions().getErrorLogFile(), tree.path("logs/err.txt"));
  EXPECT_EQ(getProcessClusterSettings().getIPCLogfile(), tree.path("logs/ipc.txt"));
  const qv_engine_settings& s = getEngineSettings();
  EXPECT_EQ(s.ntMonitorGroup, "adm");
  EXPECT_EQ(s.monitorLogFile, "../logs/monitor.log");
  EXPECT_EQ(s.mail.mailTransport, 3);
  EXPECT_EQ(s.mail.errMessageEmailTo, "root@example.org");
  EXPECT_EQ(s.mail.sendmailPath, "/usr/sbin/sendmail -t");

  reportError(ERR_FAILED_TO_CLOSE_FILE, -1, 5, "t.cpp", "a.txt");  // error log only
  reportError(ERR_NO_CREAT_SOCK, 3, 6, "t.cpp", "refused");        // IPC log only
  const std::string err = tree.read("logs/err.txt");
  EXPECT_EQ(err.rfind("Error [M00039 - Job -1 - X00005:t] - ", 0), 0u) << err;
  EXPECT_NE(err.find("\n   - Failed to close file a.txt\n\n"), std::string::npos) << err;
  const std::string ipc = tree.read("logs/ipc.txt");
  EXPECT_NE(ipc.find(" Job     3  t 6 - Cannot create a socket: refused\n"), std::string::npos) << ipc;
  setProcessSettings(qv_options(), qv_cluster_settings());
  EXPECT_EQ(getEngineSettings().errorLogFile, "../logs/errorlog.txt");
}

// The reporter starts with the settings a default configuration gives, so
// a report made before the configuration is read goes where it would after.
TEST(ProcessSettings, ReporterDefaultsEqualThoseOfADefaultConfiguration) {
  const qv_engine_settings reporterDefaults;
  const qv_engine_settings fromConfiguration = engineSettingsFrom(qv_options(), qv_cluster_settings());
  EXPECT_EQ(reporterDefaults.errorLogFile, fromConfiguration.errorLogFile);
  EXPECT_EQ(reporterDefaults.ipcLogFile, fromConfiguration.ipcLogFile);
  EXPECT_EQ(reporterDefaults.mail.mailTempFile, fromConfiguration.mail.mailTempFile);
  EXPECT_EQ(reporterDefaults.mail.interFileBasePath, fromConfiguration.mail.interFileBasePath);
  EXPECT_TRUE(reporterDefaults == fromConfiguration);
}

// An empty value in the file restores the same defaults.
TEST(ProcessSettings, EmptyValuesInTheFileRestoreTheSameDefaults) {
  qv_options options;
  options.setMailTempFile("/elsewhere/MXXXXXX");
  options.setInterFileBasePath("/elsewhere/data");
  qv_errors errors;
  options.applyLine("MailTempFile", "tarnel.dat", errors);
  options.applyLine("InterFileBasePath", "tarnel.dat", errors);
  const qv_engine_settings reporterDefaults;
  EXPECT_EQ(options.getMailTempFile(), reporterDefaults.mail.mailTempFile);
  EXPECT_EQ(options.getInterFileBasePath(), reporterDefaults.mail.interFileBasePath);
}

}  // namespace
