#include "config/cluster_settings.h"

#include "config/config_messages.h"
#include "config/config_source.h"
#include "config/config_scan.h"
#include "platform/file_io.h"

std::string_view qv_cluster_settings::osName(int i) {
  static constexpr std::string_view kNames[kNumberOfOSNames] = {
      "AIX", "Unknown_OS", "Windows_NT", "Irix", "Tru64", "Solaris", "Linux", "LinuxAlpha", "FreeBSD"};
  return i >= 0 && i < kNumberOfOSNames ? kNames[i] : std::string_view();
}

int qv_cluster_settings::getSubClusterNumber(int i) const {
  return i >= 0 && i < getNumberOfSubClusters() ? subClusterNumbers_[static_cast<size_t>(i)] : 0;
}

int qv_cluster_settings::getSubClusterCpus(int i) const {
  return i >= 0 && i < getNumberOfSubClusters() ? subClusterCpus_[static_cast<size_t>(i)] : 0;
}

namespace {

constexpr std::string_view kInclude = "@include";

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A dotted IPv4 address: four decimal parts of 0..255.
bool isDottedAddress(std::string_view a) {
  int parts = 0;
  size_t i = 0;
  while (i <= a.size()) {
    size_t j = i;
    int value = 0;
    while (j < a.size() && isDigit(a[j]) && j - i < 3) value = value * 10 + (a[j++] - '0');
    if (j == i || value > 255) return false;
    ++parts;
    if (j == a.size()) return parts == 4;
    if (a[j] != '.') return false;
    i = j + 1;
  }
  return false;
}

}  // namespace

void qv_cluster_settings::readSection(qv_config_lines& lines, const std::string& fileName, qv_errors& errors) {
  sectionAvailable_ = true;
  std::string line;
  while (lines.next(line, qv_config_lines::kSectionLimit)) {
    if (qv_startsWithNoCase(line, "end")) return;
    if (line.compare(0, kInclude.size(), kInclude) != 0) {
      readLine(line, fileName, errors);
      continue;
    }
    // The included file's lines are read in place of the @include line, one
    // level deep; an `end` line in it ends the whole section.
    std::string name(qv_scan::skipChars(std::string_view(line).substr(std::min(line.size(), kInclude.size() + 1)), " \t"));
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    if (!qv_platform::pathExists(name)) {
      errors.setError(MSG_CANNOT_FIND_FILE, name);
      continue;
    }
    std::optional<std::string> text = qv_readLocalConfigFile(name, errors);
    if (!text) continue;
    qv_config_lines included(std::move(*text));
    std::string inner;
    while (included.next(inner, qv_config_lines::kSectionLimit)) {
      if (qv_startsWithNoCase(inner, "end")) return;
      if (inner.compare(0, kInclude.size(), kInclude) == 0) {
        // Includes do not nest: the line is refused and reading goes on.
        errors.setError(MSG_CLUSTER_BAD_ENTRY, fileName, std::string(qv_stripTrailing(inner)));
        continue;
      }
      readLine(inner, fileName, errors);
    }
  }
}

void qv_cluster_settings::readLine(std::string_view line, const std::string& fileName, qv_errors& errors) {
  line = qv_stripTrailing(line);
  rawLines_.push_back(qv_splitRawLine(line));
  if (qv_isCommentOrBlank(line)) return;
  const std::string_view second = qv_scan::afterFirstWord(line);
  auto warn = [&] { errors.setError(MSG_CLUSTER_BAD_ENTRY, fileName, std::string(line)); };
  auto behind = [&](std::string_view key) { return qv_scan::skipChars(line.substr(key.size()), " \t"); };
  auto word = [&](std::string& field) {
    if (std::optional<std::string> w = qv_scan::readWord(second)) field = std::move(*w);
  };
  auto integer = [&](int& field) {
    if (std::optional<int> v = qv_scan::readInt(second)) field = *v;
  };

  if (qv_startsWithNoCase(line, "Enabled")) {
    enabled_ = qv_scan::readInt(second).value_or(0) == 1;
  } else if (qv_startsWithNoCase(line, "MasterComputerName")) {
    readMasterComputerName(line, behind("MasterComputerName"), fileName, errors);
  } else if (qv_startsWithNoCase(line, "DefaultNodeOS")) {
    std::string_view v = behind("DefaultNodeOS");
    v = v.substr(0, std::min(v.find_first_of(" \t,"), size_t{49}));
    for (int i = 0; i < kNumberOfOSNames; ++i) {
      if (v.size() == osName(i).size() && qv_startsWithNoCase(v, osName(i))) defaultNodeOS_ = i;
    }
  } else if (qv_startsWithNoCase(line, "DefaultNodeHomeDirFromMaster")) {
    word(defaultNodeHomeDirFromMaster_);
  } else if (qv_startsWithNoCase(line, "DefaultNodeHomeDir")) {
    word(defaultNodeHomeDir_);
  } else if (qv_startsWithNoCase(line, "DefaultPort")) {
    integer(defaultPort_);
  } else if (qv_startsWithNoCase(line, "TarnelNodeScript")) {
    word(tarnelNodeScript_);
  } else if (qv_startsWithNoCase(line, "TarnelNodeRebootScript")) {
    word(tarnelNodeRebootScript_);
  } else if (qv_startsWithNoCase(line, "SubClusterSet")) {
    readSubClusterSet(line, behind("SubClusterSet"), fileName, errors);
  } else if (qv_startsWithNoCase(line, "IPCTimeout")) {
    integer(ipcTimeout_);
    if (ipcTimeout_ < 1) {
      ipcTimeout_ = 10;
      warn();
    }
  } else if (qv_startsWithNoCase(line, "IPCLogging")) {
    integer(ipcLogging_);
    if (ipcLogging_ < 0 || ipcLogging_ > 2) {
      ipcLogging_ = 0;
      warn();
    }
  } else if (qv_startsWithNoCase(line, "IPCLogfile")) {
    word(ipcLogfile_);
  } else if (qv_startsWithNoCase(line, "checkNodesAliveFreq")) {
    integer(checkNodesAliveFreq_);
    if (checkNodesAliveFreq_ < 2 || checkNodesAliveFreq_ > 300) {
      checkNodesAliveFreq_ = 30;
      warn();
    }
  } else if (qv_startsWithNoCase(line, "SecsToWaitForNodeAtStartup")) {
    integer(secsToWaitForNodeAtStartup_);
    if (secsToWaitForNodeAtStartup_ < 0) {
      secsToWaitForNodeAtStartup_ = 60;
      warn();
    }
  }
}

void qv_cluster_settings::readMasterComputerName(std::string_view line, std::string_view value,
                                                 const std::string& fileName, qv_errors& errors) {
  masterRaw_ = std::string(value);
  const size_t nameEnd = std::min(value.find_first_of(" \t,"), value.size());
  masterName_ = std::string(value.substr(0, std::min(nameEnd, size_t{99})));
  std::string_view rest = qv_scan::skipChars(value.substr(nameEnd), " ,\t");
  // The address: up to 20 characters of digits, and dots, so that a dotted
  // IPv4 address is accepted besides a plain number.
  size_t n = 0;
  while (n < rest.size() && n < 20 && (isDigit(rest[n]) || rest[n] == '.')) ++n;
  const std::string_view address = rest.substr(0, n);
  const bool plainNumber = address.find('.') == std::string_view::npos;
  const char behind = n < rest.size() ? rest[n] : '\0';
  if ((behind != ':' && behind != '\0' && behind != '#') || (!plainNumber && !isDottedAddress(address))) {
    errors.setError(MSG_CLUSTER_BAD_ENTRY, fileName, std::string(line));
    return;
  }
  // A port beyond 0..65535 does not fit the field: refused like a bad address.
  std::optional<int> port;
  if (behind == ':') port = qv_scan::readInt(rest.substr(n + 1));
  if (port && (*port < 0 || *port > 65535)) {
    errors.setError(MSG_CLUSTER_BAD_ENTRY, fileName, std::string(line));
    return;
  }
  if (!address.empty()) masterAddress_ = std::string(address);
  if (port) masterPort_ = static_cast<uint16_t>(*port);
}

void qv_cluster_settings::readSubClusterSet(std::string_view line, std::string_view value, const std::string& fileName,
                                            qv_errors& errors) {
  const std::optional<int> number = qv_scan::readInt(value);
  size_t i = 0;
  if (i < value.size() && (value[i] == '+' || value[i] == '-')) ++i;
  while (i < value.size() && isDigit(value[i])) ++i;
  const std::string_view rest = qv_scan::skipChars(value.substr(i), " \t");
  int cpus = 0;
  if (rest.find("###THREADS###") != std::string_view::npos) {
    cpus = 1;
  } else {
    cpus = qv_scan::readInt(rest).value_or(0);
  }
  if (!number || *number < 0 || *number >= kMaxSubClusters || cpus <= 0) {
    errors.setError(MSG_CLUSTER_BAD_ENTRY, fileName, std::string(line));
    return;
  }
  if (cpus > kMaxCpus) {
    errors.setError(MSG_CLUSTER_TOO_MANY_CPUS, *number, kMaxCpus);
    cpus = kMaxCpus;
  }
  if (!subClustersReplaced_) {
    subClusterNumbers_.clear();
    subClusterCpus_.clear();
    subClustersReplaced_ = true;
  }
  subClusterNumbers_.push_back(*number);
  subClusterCpus_.push_back(cpus);
}
