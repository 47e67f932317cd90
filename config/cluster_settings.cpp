#include "config/cluster_settings.h"

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

void qv_cluster_settings::readSection(qv_config_lines& lines, const std::string&, qv_errors&) {
  sectionAvailable_ = true;
  std::string line;
  while (lines.next(line, qv_config_lines::kSectionLimit)) {
    if (qv_isSectionEnd(line, false)) break;
  }
}
