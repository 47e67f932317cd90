// The configuration's log files and access groups apply to every command
// that reads the configuration, not only to the text report: engine errors
// of the task commands go to the configured logs, and new day directories
// carry the configured groups.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "searchcontrol/cmd_test_support.h"

namespace {

using qvtest::RunResult;
using qvtest::TaskTree;

TEST(ProcessSettings, TaskCommandsReportToTheConfiguredLogs) {
  TaskTree t;
  t.write("config/tarnel.dat",
          "Options\nInterFileBasePath ../data\nTarnelControlFile ../data/tarnel.control\n"
          "ErrorLogFile ../logs/configured-errors.txt\nMonitorLogFile ../logs/configured-monitor.log\nend\n");
  const int64_t id = t.create();
  t.write("data/tarnel.control", std::string(1000, '\0'));  // not whole blocks: error 452
  RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(t.read("logs/configured-errors.txt").find("[M00452 - Job -21"), std::string::npos);
  EXPECT_NE(t.read("logs/configured-monitor.log").find("qv-searchcontrol is incompatible"), std::string::npos);
  EXPECT_FALSE(t.exists("logs/errorlog.txt"));
  EXPECT_FALSE(t.exists("logs/monitor.log"));
}

// The groups of the access list of `path` (getfacl's "group:NAME:rwx" lines).
std::string groupEntries(const TaskTree& t, const std::string& path) {
  RunResult r = t.runProgram("/usr/bin/getfacl", {"--omit-header", "--absolute-names", path});
  return r.status == 0 ? r.out : std::string();
}

TEST(ProcessSettings, NewDayDirectoryCarriesTheConfiguredGroups) {
  if (!std::filesystem::exists("/usr/bin/getfacl")) GTEST_SKIP() << "getfacl (package acl) is not installed";
  // Two groups that every Debian system has; the defaults (Guests,
  // Administrators) do not exist here and would be skipped.
  TaskTree t;
  const std::string probe = t.path("data/probe");
  std::filesystem::create_directories(probe);
  if (t.runProgram("/usr/bin/setfacl", {"-m", "g:adm:rwx", probe}).status != 0) {
    GTEST_SKIP() << "the temporary folder has no access lists, or group adm cannot be named";
  }
  if (t.runProgram("/usr/bin/setfacl", {"-m", "g:mail:rwx", probe}).status != 0) {
    GTEST_SKIP() << "group mail cannot be named on this system";
  }
  t.write("config/tarnel.dat",
          "Options\nInterFileBasePath ../data\nTarnelControlFile ../data/tarnel.control\n"
          "NTIUserGroup adm\nNTMonitorGroup mail\nend\n");
  const int64_t id = t.create();
  const std::string acl = groupEntries(t, t.path(t.dayDir(id)));
  EXPECT_NE(acl.find("\ngroup:adm:rwx"), std::string::npos) << acl;
  EXPECT_NE(acl.find("\ngroup:mail:rwx"), std::string::npos) << acl;
  EXPECT_NE(acl.find("default:group:adm:rwx"), std::string::npos) << acl;
  EXPECT_NE(acl.find("default:group:mail:rwx"), std::string::npos) << acl;
}

}  // namespace
