// Kill, pause, resume and priority requests, putting a task back into the
// queue, and the registry self-check, through the real program.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "searchcontrol/cmd_test_support.h"

namespace {

using qvtest::RunResult;
using qvtest::TaskTree;

// A tree with a control file and one running task (job 31, owner 500).
struct RunningTask {
  RunningTask() {
    id = t.create();
    sid = std::to_string(id);
    t.sim({"create", "2"});
    t.sim({"put", sid, "1", "30", "", "31", "500"});
  }
  RunResult q(const std::string& command, std::vector<std::string> more = {}) const {
    std::vector<std::string> args{command, "--taskID", sid};
    args.insert(args.end(), more.begin(), more.end());
    return t.q(args);
  }
  std::string slot() const { return t.sim({"show", sid}).out; }
  TaskTree t;
  int64_t id = 0;
  std::string sid;
};

TEST(JobControl, RequestsReachTheSlot) {
  RunningTask r;
  EXPECT_EQ(r.slot(), "request=0 priority=0\n");
  RunResult out = r.q("--pause_job");
  EXPECT_EQ(out.out, "job_paused\n");
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(r.slot(), "request=2 priority=0\n");
  EXPECT_EQ(r.q("--resume_job").out, "job_resumed\n");
  EXPECT_EQ(r.slot(), "request=0 priority=0\n");
  EXPECT_EQ(r.q("--kill_job").out, "job_killed\n");
  EXPECT_EQ(r.slot(), "request=1 priority=0\n");
}

TEST(JobControl, NiceIsStoredNegatedAndReadBack) {
  RunningTask r;
  EXPECT_EQ(r.q("--nice_job", {"--nice", "5"}).out, "job_niced\n");
  EXPECT_EQ(r.slot(), "request=0 priority=-5\n");
  EXPECT_EQ(r.q("--nice_job").out, "nice=5\n");
  EXPECT_EQ(r.q("--nice_job", {"--nice", "-20"}).out, "job_niced\n");
  EXPECT_EQ(r.slot(), "request=0 priority=20\n");
  EXPECT_EQ(r.q("--nice_job", {"--nice", "20"}).out, "job_niced\n");
  EXPECT_EQ(r.slot(), "request=0 priority=-20\n");
  // Out of range: the usage text, then the current value.
  RunResult out = r.q("--nice_job", {"--nice", "21"});
  EXPECT_EQ(out.out, "nice=20\n");
  EXPECT_NE(out.err.find("Usage: qv-searchcontrol.exe"), std::string::npos);
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(r.slot(), "request=0 priority=-20\n");
  // An out-of-range value after a valid one changes neither: the valid one is placed.
  out = r.q("--nice_job", {"--nice", "5", "--nice", "99"});
  EXPECT_EQ(out.out, "job_niced\n");
  EXPECT_NE(out.err.find("Usage: qv-searchcontrol.exe"), std::string::npos);
  EXPECT_EQ(r.slot(), "request=0 priority=-5\n");
  out = r.q("--nice_job", {"--nice", "-99"});
  EXPECT_EQ(out.out, "nice=5\n");
  EXPECT_EQ(r.slot(), "request=0 priority=-5\n");
}

TEST(JobControl, TaskThatIsNotRunningIsLeftAlone) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  t.sim({"create", "1"});
  t.sim({"put", sid, "0", "0", "", "4"});  // queued
  const std::string before = t.control();
  for (const char* command : {"--kill_job", "--pause_job", "--resume_job", "--nice_job"}) {
    RunResult out = t.q({command, "--taskID", sid, "--nice", "3"});
    EXPECT_EQ(out.out, "job_not_running\n") << command;
    EXPECT_EQ(out.status, 0);
  }
  EXPECT_EQ(t.control(), before);
  EXPECT_EQ(t.q({"--kill_job", "--taskID", "999"}).out, "unknown_id\n");
}

TEST(JobControl, RunningTaskWhoseSlotIsGone) {
  RunningTask r;
  r.t.sim({"remove", r.sid});
  EXPECT_EQ(r.q("--kill_job").out, "job_not_running\n");
  EXPECT_EQ(r.q("--nice_job").out, "nice=0\n");
  EXPECT_EQ(r.q("--nice_job", {"--nice", "4"}).out, "job_not_running\n");
}

TEST(JobControl, ControlFileOfTheWrongSizeIsRefusedAndReported) {
  RunningTask r;
  std::filesystem::resize_file(r.t.path("data/tarnel.control"), 2 * 47728 + 8);
  // The report's category also shows it on standard output, once for the
  // refresh when the task is opened and once for the request.
  const std::string shown = "qv-searchcontrol is incompatible with the current Tarnel version [M00452]<BR>\n";
  EXPECT_EQ(r.q("--kill_job").out, shown + shown + "job_not_running\n");
  EXPECT_EQ(r.q("--nice_job").out, shown + shown + "nice=0\n");
  EXPECT_NE(r.t.read("logs/monitor.log").find("qv-searchcontrol is incompatible"), std::string::npos);
  const std::string log = r.t.read("logs/errorlog.txt");
  EXPECT_NE(log.find("M00452 - Job -21"), std::string::npos) << log;
  EXPECT_NE(log.find("qv-searchcontrol is incompatible with the current Tarnel version"), std::string::npos);
}

TEST(JobControl, MissingControlFileIsNotAnError) {
  RunningTask r;
  std::filesystem::remove(r.t.path("data/tarnel.control"));
  EXPECT_EQ(r.q("--pause_job").out, "job_not_running\n");
  EXPECT_EQ(r.t.read("logs/errorlog.txt"), "");
}

TEST(SetToQueued, ByState) {
  TaskTree t;
  EXPECT_EQ(t.q({"--set_to_queued", "--taskID", "77"}).out, "unknown_id\n");
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  RunResult out = t.q({"--set_to_queued", "--taskID", sid});
  EXPECT_EQ(out.out, "queued\n");
  EXPECT_EQ(out.status, 0);
  qv_taskrecord r = t.record(t.dayIndex(id), 0);
  EXPECT_EQ(r.state, TASK_INFO_STATE_QUEUED);
  EXPECT_EQ(r.resultsFileName, "");
  EXPECT_EQ(r.jobNumber, 0);
  EXPECT_EQ(t.q({"--set_to_queued", "--taskID", sid}).out, "queued\n");  // state 2 too

  t.sim({"create", "1"});
  t.sim({"put", sid, "1", "3", "", "9"});
  EXPECT_EQ(t.q({"--set_to_queued", "--taskID", sid}).out, "already_running\n");
  t.sim({"set", sid, "2"});
  const std::string before = t.read(t.taskFile(id));
  EXPECT_EQ(t.q({"--set_to_queued", "--taskID", sid}).out, "already_complete\n");
  EXPECT_EQ(t.read(t.taskFile(id)), before);
  t.sim({"set", sid, "8"});
  out = t.q({"--set_to_queued", "--taskID", sid});
  EXPECT_EQ(out.out, "");
  EXPECT_EQ(out.status, 0);
}

TEST(SecretTestHarness, PassesSilentlyAndLeavesACompletedTask) {
  TaskTree t;
  RunResult out = t.q({"--secret_test_harness", "55"});
  EXPECT_EQ(out.out, "");
  EXPECT_EQ(out.err, "");
  EXPECT_EQ(out.status, 0);
  std::string day;
  for (const auto& e : std::filesystem::directory_iterator(t.path("data"))) day = e.path().filename().string();
  ASSERT_EQ(day.size(), 8u);
  const qv_taskrecord r = t.record("data/" + day + "/task_id", 0);
  EXPECT_GT(r.taskId, 0);
  EXPECT_EQ(r.state, TASK_INFO_STATE_COMPLETE);
  EXPECT_EQ(r.resultsFileName, "/This/is/not/a/real/file");
  EXPECT_EQ(r.jobNumber, 55);
}

TEST(SecretTestHarness, ReportsWhenNoTaskCanBeCreated) {
  TaskTree t;
  t.write("config/tarnel.dat", "Options\nInterFileBasePath ../data/plain-file\nend\n");
  t.write("data/plain-file", "not a directory");
  RunResult out = t.q({"--secret_test_harness"});
  EXPECT_EQ(out.out, "Error creating task: 2\n");
  EXPECT_EQ(out.status, 0);
}

}  // namespace
