#pragma once
// The Cluster section of tarnel.dat: whether searches are spread over several
// computers, which computer is the master, how nodes are reached and watched,
// and how many processors each sub-cluster may use. The only section that can
// pull in a second file with `@include`.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/config_lines.h"
#include "errors/qv_errors.h"
#include "errors/setting_defaults.h"

class qv_cluster_settings {
 public:
  /// Operating-system names of `DefaultNodeOS`, by index.
  static constexpr int kNumberOfOSNames = 9;
  /// Highest sub-cluster number plus one.
  static constexpr int kMaxSubClusters = 50;
  /// Highest usable processor count of a sub-cluster.
  static constexpr int kMaxCpus = 65536;

  /// A new object holds every default.
  qv_cluster_settings() = default;
  void setDefaults() { *this = qv_cluster_settings(); }

  /// Reads the section behind its header line up to a line beginning with
  /// `end` (any case), following `@include` one level deep, and reports into
  /// `errors` with `fileName` as the configuration file name.
  void readSection(qv_config_lines& lines, const std::string& fileName, qv_errors& errors);

  /// The operating-system name of index `i` ("AIX", "Unknown_OS",
  /// "Windows_NT", ...); empty when out of range.
  static std::string_view osName(int i);

  bool isSectionAvailable() const { return sectionAvailable_; }
  const std::vector<qv_raw_line>& getRawLines() const { return rawLines_; }

  bool isEnabled() const { return enabled_; }
  const std::string& getMasterComputerAddress() const { return masterAddress_; }
  const std::string& getMasterComputerName() const { return masterName_; }
  uint16_t getMasterComputerPort() const { return masterPort_; }
  /// The whole value of the `MasterComputerName` line.
  const std::string& getMasterComputerRaw() const { return masterRaw_; }
  /// Index into the operating-system names (default 2, "Windows_NT").
  int getDefaultNodeOS() const { return defaultNodeOS_; }
  const std::string& getDefaultNodeHomeDir() const { return defaultNodeHomeDir_; }
  int getDefaultPort() const { return defaultPort_; }
  const std::string& getDefaultNodeHomeDirFromMaster() const { return defaultNodeHomeDirFromMaster_; }
  const std::string& getTarnelNodeScript() const { return tarnelNodeScript_; }
  const std::string& getTarnelNodeRebootScript() const { return tarnelNodeRebootScript_; }
  /// The sub-clusters: a count, each one's number and usable processors (0-based index).
  int getNumberOfSubClusters() const { return static_cast<int>(subClusterNumbers_.size()); }
  int getSubClusterNumber(int i) const;
  int getSubClusterCpus(int i) const;
  int getIPCTimeout() const { return ipcTimeout_; }
  int getIPCLogging() const { return ipcLogging_; }
  const std::string& getIPCLogfile() const { return ipcLogfile_; }
  int getCheckNodesAliveFreq() const { return checkNodesAliveFreq_; }
  int getSecsToWaitForNodeAtStartup() const { return secsToWaitForNodeAtStartup_; }

  /// Setters for the values the error reporter and the tests need.
  void setEnabled(bool v) { enabled_ = v; }
  void setIPCLogging(int v) { ipcLogging_ = v; }
  void setIPCLogfile(std::string v) { ipcLogfile_ = std::move(v); }

 private:
  void readLine(std::string_view line, const std::string& fileName, qv_errors& errors);
  void readMasterComputerName(std::string_view line, std::string_view value, const std::string& fileName,
                              qv_errors& errors);
  void readSubClusterSet(std::string_view line, std::string_view value, const std::string& fileName,
                         qv_errors& errors);

  bool sectionAvailable_ = false;
  std::vector<qv_raw_line> rawLines_;
  bool enabled_ = false;
  std::string masterAddress_ = "127.0.0.1";
  std::string masterName_ = "localhost";
  uint16_t masterPort_ = 0;
  std::string masterRaw_;
  int defaultNodeOS_ = 2;
  std::string defaultNodeHomeDir_ = "/TarnelNode";
  int defaultPort_ = 5001;
  std::string defaultNodeHomeDirFromMaster_;
  std::string tarnelNodeScript_;
  std::string tarnelNodeRebootScript_;
  std::vector<int> subClusterNumbers_ = {0};
  std::vector<int> subClusterCpus_ = {0};
  bool subClustersReplaced_ = false;
  int ipcTimeout_ = 10;
  int ipcLogging_ = 0;
  std::string ipcLogfile_ = QV_DEFAULT_IPC_LOG_FILE;
  int checkNodesAliveFreq_ = 30;
  int secsToWaitForNodeAtStartup_ = 60;
};
