// qv-configcheck: reads a server configuration exactly as the server does and
// lists every message of its error list, for administrators.
//
//   qv-configcheck [--dump] [FILE]
//
// Without FILE the default places are searched (time-out 1 second). Each
// message is one line: "error" or "warning", the message number in hex and
// the text. Then one "warning access ..." line for each access mode of the
// security store (relative to the working directory, the server's cgi/) that
// lets other users read or change sessions, the security options or the
// schema. The last line is "ok" or "invalid"; the exit status is 0 for a
// valid configuration (warnings allowed), 1 for an invalid one and 2 for a
// bad command line.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "config/qv_datfile.h"
#include "tools/common/tool_options.h"
#include "tools/configcheck/store_access.h"

namespace {

constexpr const char* kUsage =
    "usage: qv-configcheck [--dump] [FILE]\n"
    "  Reads FILE (default: ../config/tarnel.dat, then /opt/tarnel/config/tarnel.dat)\n"
    "  as the server does and lists its errors and warnings, then warns of access\n"
    "  modes that let other users read or change the security store.\n"
    "  --dump  also prints every option and section entry as read\n";

void put(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

std::string hexNumber(int number) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "0x%03X", static_cast<unsigned>(number));
  return buffer;
}

void putAll(const std::vector<std::string>& lines) {
  for (const std::string& l : lines) put(l);
}

void dumpCluster(const qv_cluster_settings& c) {
  auto field = [](const char* key, const std::string& value) { put(std::string("Cluster.") + key + "=" + value); };
  field("Enabled", c.isEnabled() ? "1" : "0");
  field("MasterComputerName", c.getMasterComputerName());
  field("MasterComputerAddress", c.getMasterComputerAddress());
  field("MasterComputerPort", std::to_string(c.getMasterComputerPort()));
  field("DefaultNodeOS", std::string(qv_cluster_settings::osName(c.getDefaultNodeOS())));
  field("DefaultNodeHomeDir", c.getDefaultNodeHomeDir());
  field("DefaultPort", std::to_string(c.getDefaultPort()));
  field("DefaultNodeHomeDirFromMaster", c.getDefaultNodeHomeDirFromMaster());
  field("TarnelNodeScript", c.getTarnelNodeScript());
  field("TarnelNodeRebootScript", c.getTarnelNodeRebootScript());
  std::string sets;
  for (int i = 0; i < c.getNumberOfSubClusters(); ++i) {
    if (i > 0) sets += ",";
    sets += std::to_string(c.getSubClusterNumber(i)) + ":" + std::to_string(c.getSubClusterCpus(i));
  }
  field("SubClusterSet", sets);
  field("IPCTimeout", std::to_string(c.getIPCTimeout()));
  field("IPCLogging", std::to_string(c.getIPCLogging()));
  field("IPCLogfile", c.getIPCLogfile());
  field("checkNodesAliveFreq", std::to_string(c.getCheckNodesAliveFreq()));
  field("SecsToWaitForNodeAtStartup", std::to_string(c.getSecsToWaitForNodeAtStartup()));
}

void dump(const qv_datfile& d) {
  const qv_options& o = d.getOptions();
  for (std::string_view key : qv_options::keys()) put(std::string(key) + "=" + o.valueText(key));
  putAll(d.getDatabases().dumpLines());
  putAll(d.getParseRules().dumpLines());
  putAll(d.getProcessor().dumpLines());
  putAll(d.getTaxonomyRules().dumpLines());
  putAll(d.getCron().dumpLines());
  putAll(d.getWWW().dumpLines());
  dumpCluster(d.getCluster());
}

}  // namespace

int main(int argc, char** argv) {
  if (const auto status = qv_tools::answerStandardOption(argc, argv, "qv-configcheck", kUsage)) return *status;
  bool withDump = false;
  std::string file;
  bool haveFile = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--dump") {
      withDump = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if ((arg.size() > 1 && arg[0] == '-') || haveFile) {
      std::fputs(kUsage, stderr);
      return 2;
    } else {
      file = arg;
      haveFile = true;
    }
  }

  qv_datfile d;
  d.setTimeout(1);
  if (haveFile) d.setFileName(file);
  d.readFile();

  for (int n = 1; n <= d.getNumberOfErrors(); ++n) {
    const char* level = d.getErrorLevel(n) == QV_LEVEL_ERROR ? "error" : "warning";
    put(std::string(level) + " " + hexNumber(d.getErrorNumber(n)) + " " + d.getErrorString(n));
  }
  putAll(qv_storeAccessWarnings(qv_store_paths::serverLayout()));
  if (withDump) dump(d);
  const bool valid = d.isValid();
  put(valid ? "ok" : "invalid");
  std::fflush(stdout);
  return valid ? 0 : 1;
}
