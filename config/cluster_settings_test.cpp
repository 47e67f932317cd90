// The Cluster section reader: keys, rules for bad values and @include.
#include "config/cluster_settings.h"

#include <gtest/gtest.h>

#include "testsupport/server_tree.h"

namespace {

struct Read {
  qv_cluster_settings c;
  qv_errors e;
  std::string rest;  // the first line behind the section, if any
  explicit Read(const std::string& body) {
    qv_config_lines lines(body);
    c.readSection(lines, "tarnel.dat", e);
    if (!lines.next(rest)) rest = "(none)";
  }
};

TEST(Cluster, Defaults) {
  qv_cluster_settings c;
  EXPECT_FALSE(c.isSectionAvailable());
  EXPECT_FALSE(c.isEnabled());
  EXPECT_EQ(c.getMasterComputerAddress(), "127.0.0.1");
  EXPECT_EQ(c.getMasterComputerName(), "localhost");
  EXPECT_EQ(qv_cluster_settings::osName(c.getDefaultNodeOS()), "Windows_NT");
  ASSERT_EQ(c.getNumberOfSubClusters(), 1);
  EXPECT_EQ(c.getSubClusterCpus(0), 0);
  EXPECT_EQ(c.getIPCLogfile(), "../logs/IPC.log");
}

TEST(Cluster, SubClusterSet) {
  Read r("SubClusterSet 2 ###THREADS###\nSubClusterSet 3 70000\nSubClusterSet 50 4\nSubClusterSet 4 0\n"
         "SubClusterSet 5 8\nEnd\n");
  ASSERT_EQ(r.c.getNumberOfSubClusters(), 3);  // the default entry is dropped
  EXPECT_EQ(r.c.getSubClusterNumber(0), 2);
  EXPECT_EQ(r.c.getSubClusterCpus(0), 1);
  EXPECT_EQ(r.c.getSubClusterCpus(1), 65536);
  EXPECT_EQ(r.c.getSubClusterNumber(2), 5);
  ASSERT_EQ(r.e.getNumberOfErrors(), 3);
  EXPECT_EQ(r.e.getErrorString(1), "Too many cpus in sub cluster 3. Setting number of usable cpus to 65536");
  EXPECT_EQ(r.e.getErrorNumber(2), 0x607);
  EXPECT_EQ(r.e.getErrorString(2), "Invalid entry in Cluster section of the configuration file tarnel.dat: SubClusterSet 50 4");
}

TEST(Cluster, RangesOfTheIPCAndNodeSettings) {
  Read r("IPCLogging 5\nIPCTimeout 0\ncheckNodesAliveFreq 301\nSecsToWaitForNodeAtStartup -1\nend\n");
  EXPECT_EQ(r.c.getIPCLogging(), 0);
  EXPECT_EQ(r.c.getIPCTimeout(), 10);
  EXPECT_EQ(r.c.getCheckNodesAliveFreq(), 30);
  EXPECT_EQ(r.c.getSecsToWaitForNodeAtStartup(), 60);
  EXPECT_EQ(r.e.getNumberOfErrors(), 2);  // four 0x607, folded after the second
  EXPECT_EQ(r.e.getErrorRepeats(2), 2);
  Read ok("ipclogging 2\nIPCLogfile /var/log/ipc.log\nEnabled 1\nEND\n");
  EXPECT_EQ(ok.c.getIPCLogging(), 2);
  EXPECT_EQ(ok.c.getIPCLogfile(), "/var/log/ipc.log");
  EXPECT_TRUE(ok.c.isEnabled());
  EXPECT_EQ(ok.e.getNumberOfErrors(), 0);
}

TEST(Cluster, HomeDirectoryKeysThatSharePrefixes) {
  Read r("DefaultNodeHomeDir /node\nDefaultNodeHomeDirFromMaster /mnt/node\nDefaultNodeOS linux\n"
         "DefaultPort 6000\nTarnelNodeRebootScript reboot.sh\nend\n");
  EXPECT_EQ(r.c.getDefaultNodeHomeDir(), "/node");
  EXPECT_EQ(r.c.getDefaultNodeHomeDirFromMaster(), "/mnt/node");
  EXPECT_EQ(r.c.getDefaultNodeOS(), 6);
  EXPECT_EQ(r.c.getDefaultPort(), 6000);
  EXPECT_EQ(r.c.getTarnelNodeRebootScript(), "reboot.sh");
  Read unknown("DefaultNodeOS Plan9\nDefaultNodeOS LinuxAlpha\nDefaultNodeOS Linu\nend\n");
  EXPECT_EQ(unknown.c.getDefaultNodeOS(), 7);
  EXPECT_EQ(unknown.e.getNumberOfErrors(), 0);
}

TEST(Cluster, MasterComputerName) {
  Read all("MasterComputerName master, 3232235777:5001\nend\n");
  EXPECT_EQ(all.c.getMasterComputerName(), "master");
  EXPECT_EQ(all.c.getMasterComputerAddress(), "3232235777");
  EXPECT_EQ(all.c.getMasterComputerPort(), 5001);
  EXPECT_EQ(all.c.getMasterComputerRaw(), "master, 3232235777:5001");
  Read name("MasterComputerName master\nend\n");
  EXPECT_EQ(name.c.getMasterComputerName(), "master");
  EXPECT_EQ(name.c.getMasterComputerAddress(), "127.0.0.1");
  EXPECT_EQ(name.c.getMasterComputerPort(), 0);
  Read dotted("MasterComputerName master 10.1.2.3:6000 # the head node\nend\n");
  EXPECT_EQ(dotted.c.getMasterComputerAddress(), "10.1.2.3");
  EXPECT_EQ(dotted.c.getMasterComputerPort(), 6000);
  EXPECT_EQ(dotted.e.getNumberOfErrors(), 0);
}

TEST(Cluster, BadMasterAddressesKeepAddressAndPort) {
  for (const char* line : {"MasterComputerName m 10.1.2.300:5\n", "MasterComputerName m master2\n",
                           "MasterComputerName m 10.1.2:5\n", "MasterComputerName m 12:70000\n"}) {
    Read r(std::string(line) + "end\n");
    EXPECT_EQ(r.c.getMasterComputerName(), "m") << line;
    EXPECT_EQ(r.c.getMasterComputerAddress(), "127.0.0.1") << line;
    EXPECT_EQ(r.c.getMasterComputerPort(), 0) << line;
    EXPECT_EQ(r.e.getLastError(), 0x607) << line;
  }
}

TEST(Cluster, IncludeReadsTheFileInPlace) {
  qvtest::ServerTree tree;
  tree.write("config/cluster.inc", "# nodes\nIPCTimeout 20\n@include other.inc\nDefaultPort 7000\n");
  Read r("Enabled 1\n@include " + tree.path("config/cluster.inc") + "\nIPCLogging 1\nend\nafter\n");
  EXPECT_EQ(r.c.getIPCTimeout(), 20);
  EXPECT_EQ(r.c.getDefaultPort(), 7000);
  EXPECT_EQ(r.c.getIPCLogging(), 1);
  ASSERT_EQ(r.e.getNumberOfErrors(), 1);  // the nested include is refused
  EXPECT_EQ(r.e.getErrorString(1), "Invalid entry in Cluster section of the configuration file tarnel.dat: @include other.inc");
  EXPECT_EQ(r.rest, "after");
  // Raw lines: the included lines in place of the @include line.
  ASSERT_EQ(r.c.getRawLines().size(), 5u);
  EXPECT_TRUE(r.c.getRawLines()[1].isComment);
}

TEST(Cluster, EndInsideAnIncludedFileEndsTheSection) {
  qvtest::ServerTree tree;
  tree.write("config/cluster.inc", "IPCTimeout 20\nend\nIPCTimeout 30\n");
  Read r("@include\t" + tree.path("config/cluster.inc") + "\nIPCLogging 1\n");
  EXPECT_EQ(r.c.getIPCTimeout(), 20);
  EXPECT_EQ(r.c.getIPCLogging(), 0);
  EXPECT_EQ(r.rest, "IPCLogging 1");
}

TEST(Cluster, MissingIncludeIsReportedAndReadingGoesOn) {
  Read r("@include /nonexistent/cluster.inc\nIPCTimeout 25\nend\n");
  ASSERT_EQ(r.e.getNumberOfErrors(), 1);
  EXPECT_EQ(r.e.getErrorString(1), "Cannot find file '/nonexistent/cluster.inc'");
  EXPECT_EQ(r.c.getIPCTimeout(), 25);
  qvtest::ServerTree tree;
  Read dir("@include " + tree.path("config") + "\nend\n");
  EXPECT_EQ(dir.e.getLastError(), 0x100);
  // Devices and pipes could block the reader for ever: only regular files.
  Read device("@include /dev/zero\nIPCTimeout 26\nend\n");
  EXPECT_EQ(device.e.getErrorString(1), "Failed to open file /dev/zero for r");
  EXPECT_EQ(device.c.getIPCTimeout(), 26);
}

TEST(Cluster, SectionWithoutEndRunsToTheEndOfTheText) {
  Read r("Enabled 1\nIPCTimeout 3");
  EXPECT_TRUE(r.c.isEnabled());
  EXPECT_EQ(r.c.getIPCTimeout(), 3);
  EXPECT_EQ(r.rest, "(none)");
}

}  // namespace
