// The task and job-control commands end to end: the real program and the
// search-engine stand-in qv-enginesim, run in a temporary server tree.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "taskregistry/control_file.h"
#include "taskregistry/day_index_summary.h"
#include "taskregistry/task_record.h"
#include "searchcontrol/cmd_test_support.h"

namespace {

using qvtest::RunResult;
using qvtest::TaskTree;

TEST(CreateTaskId, FirstIdentifierMakesTheDayIndexOfOneRecord) {
  TaskTree t;
  const int64_t id = t.create();
  ASSERT_GT(id, 0);
  const std::string index = t.read(t.dayIndex(id));
  ASSERT_EQ(index.size(), 401u);
  EXPECT_EQ(index.substr(0, 75), qv_tasklayout::kHeader);
  const qv_taskrecord r = t.record(t.dayIndex(id), 0);
  EXPECT_EQ(r.taskId, id);
  EXPECT_EQ(r.state, TASK_INFO_STATE_ID_ASSIGNED);
  EXPECT_EQ(r.creationTime, id / 100);
  EXPECT_EQ(r.lastUpdate, r.creationTime);
}

TEST(CreateTaskId, NextIdentifierExceedsTheLargestOfTheDayByOne) {
  TaskTree t;
  const int64_t first = t.create();
  // Another process has already handed out identifiers further on this day.
  t.seedAhead(first, 5000);
  EXPECT_EQ(t.create(), first + 5001);
  EXPECT_EQ(t.create(), first + 5002);
}

TEST(CreateTaskId, SkipsIdentifiersThatHaveATaskFile) {
  TaskTree t;
  const int64_t first = t.create();
  t.seedAhead(first, 5000);
  t.write(t.taskFile(first + 5001), std::string(qv_tasklayout::kRecordSize, ' '));
  t.write(t.taskFile(first + 5002), std::string(qv_tasklayout::kRecordSize, ' '));
  EXPECT_EQ(t.create(), first + 5003);
}

TEST(CreateTaskId, SkipsIdentifiersOfTheLegacyRegistry) {
  TaskTree t;
  const int64_t first = t.create();
  t.seedAhead(first, 5000);
  qv_taskrecord old;
  old.taskId = first + 5001;
  old.state = 4;
  t.write("data/task_id", std::string(qv_tasklayout::kHeader) + qv_tasklayout::buildRecord(old));
  EXPECT_EQ(t.create(), first + 5002);
}

TEST(CreateTaskId, DayIndexEndingInAPartialRecordIsRepaired) {
  TaskTree t;
  const int64_t first = t.create();
  t.write(t.dayIndex(first), t.read(t.dayIndex(first)) + "17965420");  // a writer died mid-record
  const int64_t second = t.create();
  EXPECT_EQ(t.read(t.dayIndex(first)).size(), static_cast<size_t>(qv_tasklayout::recordOffset(2)));
  EXPECT_EQ(t.record(t.dayIndex(first), 1).taskId, second);
}

TEST(Status, EveryStateHasItsLine) {
  TaskTree t;
  EXPECT_EQ(t.q({"--status", "--taskID", "12345"}).out, "unknown_id\n");
  const int64_t id = t.create();
  RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "id_assigned\n");
  EXPECT_EQ(r.status, 0);
  t.sim({"create", "1"});
  const std::string sid = std::to_string(id);
  t.sim({"put", sid, "0", "0", "", "3"});
  EXPECT_EQ(t.status(id), "queued\n");
  t.sim({"set", sid, "1", "42"});
  EXPECT_EQ(t.status(id), "running=42%\n");
  t.sim({"set", sid, "10", "43"});
  EXPECT_EQ(t.status(id), "running=43%\n");
  t.sim({"set", sid, "3"});
  EXPECT_EQ(t.status(id), "complete\n");
  t.sim({"set", sid, "8"});
  EXPECT_EQ(t.status(id), "error=-1\n");
  t.sim({"set", sid, "9"});
  EXPECT_EQ(t.status(id), "error=-2\n");
}

TEST(Status, SlotAheadOfTheTaskFileUpdatesTheRecordAndKeepsJobAndOwner) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  t.sim({"create", "2"});
  t.sim({"put", sid, "1", "10", "", "77", "500"});
  EXPECT_EQ(t.record(t.taskFile(id)).state, TASK_INFO_STATE_RUNNING);
  // The engine has finished the job but not yet written its task file.
  t.sim({"set-slot", sid, "4"});
  t.setSlotName(id, "../data/F981234.dat");
  EXPECT_EQ(t.status(id), "complete\n");
  const qv_taskrecord r = t.record(t.taskFile(id));
  EXPECT_EQ(r.state, TASK_INFO_STATE_COMPLETE);
  EXPECT_EQ(r.resultsFileName, "../data/F981234.dat");
  EXPECT_EQ(r.jobNumber, 77);
  EXPECT_EQ(r.spare, 500);
}

TEST(Status, FailedJobStoresItsErrorNumber) {
  TaskTree t;
  const int64_t id = t.create();
  t.sim({"create", "1"});
  t.sim({"put", std::to_string(id), "1", "5", "", "8"});
  t.sim({"set-slot", std::to_string(id), "9"});
  EXPECT_EQ(t.status(id), "error=-2\n");
  EXPECT_EQ(t.record(t.taskFile(id)).state, TASK_INFO_STATE_ERROR);
  EXPECT_EQ(t.record(t.taskFile(id)).errorNumber, -2);
}

TEST(Status, JobStatusAbove11LeavesTheStateAsItWas) {
  TaskTree t;
  const int64_t id = t.create();
  t.sim({"create", "1"});
  t.sim({"put", std::to_string(id), "1", "5", "", "8"});
  t.sim({"set-slot", std::to_string(id), "12"});
  EXPECT_EQ(t.status(id), "running=0%\n");
  EXPECT_EQ(t.record(t.taskFile(id)).state, TASK_INFO_STATE_RUNNING);
}

TEST(Status, StateThisProgramDoesNotKnowGivesNoAnswer) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord odd;
  odd.taskId = id;
  odd.state = 7;
  t.write(t.taskFile(id), qv_tasklayout::buildRecord(odd));
  RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(t.q({"--kill_job", "--taskID", std::to_string(id)}).out, "job_not_running\n");
  EXPECT_EQ(t.q({"--set_to_queued", "--taskID", std::to_string(id)}).out, "");
}

TEST(Status, LegacyRegistryComesFirst) {
  TaskTree t;
  const int64_t id = t.create();  // state 1 in the day index
  qv_taskrecord old;
  old.taskId = id;
  old.state = TASK_INFO_STATE_COMPLETE;
  t.write("data/task_id", std::string(qv_tasklayout::kHeader) + qv_tasklayout::buildRecord(old));
  EXPECT_EQ(t.status(id), "complete\n");
}

TEST(Status, FirstOfTwoEqualRecordsIsRead) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord twin;
  twin.taskId = id;
  twin.state = TASK_INFO_STATE_COMPLETE;
  t.append(t.dayIndex(id), twin);  // written by an older program, after ours
  EXPECT_EQ(t.status(id), "id_assigned\n");
  EXPECT_EQ(t.read(t.dayDir(id) + "/task_id.summary").back(), '\n');
  EXPECT_EQ(t.status(id), "id_assigned\n");  // now with a summary that says "not ascending"
}

TEST(Status, LookupInADayIndexWrittenElsewhereLeavesASummary) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string summary = t.dayDir(id) + "/task_id.summary";
  std::filesystem::remove(t.path(summary));
  t.seedAhead(id, 7);
  EXPECT_EQ(t.status(id + 7), "id_assigned\n");
  const auto written = qv_dayindexsummary::parseSummary(t.read(summary));
  ASSERT_TRUE(written);
  EXPECT_EQ(written->coveredBytes, 727);
  EXPECT_EQ(written->maxId, id + 7);
  EXPECT_TRUE(written->ascending);
  EXPECT_EQ(t.status(id), "id_assigned\n");
  EXPECT_EQ(t.status(id + 3), "unknown_id\n");
}

TEST(Status, SummaryThatNoLongerDescribesTheIndexIsIgnored) {
  TaskTree t;
  const int64_t a = t.create();
  const int64_t b = t.create();
  const std::string summary = t.dayDir(a) + "/task_id.summary";
  // Claims an ascending index whose last identifier is not the one there.
  qv_dayindex_summary wrong;
  wrong.add(a);
  wrong.add(a + 500);
  t.write(summary, qv_dayindexsummary::buildSummary(wrong));
  EXPECT_EQ(t.status(a), "id_assigned\n");
  EXPECT_EQ(t.status(b), "id_assigned\n");
  // The largest identifier comes from the records, not from the stale claim.
  EXPECT_LT(t.create(), a + 500);
  t.write(summary, "garbage");
  EXPECT_EQ(t.status(b), "id_assigned\n");
  t.seedAhead(a, 5000);
  EXPECT_EQ(t.create(), a + 5001);
}

TEST(Status, RecordsAppendedBehindTheSummaryAreFound) {
  TaskTree t;
  const int64_t a = t.create();
  qv_taskrecord late;
  late.taskId = a - 50;  // out of order, and not in the summary
  late.state = TASK_INFO_STATE_COMPLETE;
  t.append(t.dayIndex(a), late);
  EXPECT_EQ(t.status(a - 50), "complete\n");
  EXPECT_GT(t.create(), a);
  EXPECT_EQ(t.status(a - 50), "complete\n");
  EXPECT_EQ(t.status(a), "id_assigned\n");
}

TEST(Status, UnreadableDayIndexGivesTheRegistryCode) {
  TaskTree t;
  const int64_t id = t.create();
  std::filesystem::remove(t.path(t.dayIndex(id)));
  std::filesystem::create_directory(t.path(t.dayIndex(id)));  // cannot be opened as a file
  RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(t.read("logs/errorlog.txt").find("M00411 - Job -21"), std::string::npos);
  for (const char* command : {"--kill_job", "--pause_job", "--resume_job", "--nice_job", "--set_to_queued"}) {
    r = t.q({command, "--taskID", std::to_string(id)});
    EXPECT_EQ(r.out, "") << command;
    EXPECT_EQ(r.status, 1) << command;
  }
  r = t.q({"--tarnel_job_number", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=1\n");
}

TEST(Status, ShortTaskFileGivesCode3) {
  TaskTree t;
  const int64_t id = t.create();
  t.write(t.taskFile(id), "179");
  RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=3\n");
  EXPECT_EQ(r.status, 3);
}

TEST(Status, MissingConfigurationGivesCode7) {
  TaskTree t;
  std::filesystem::remove(t.path("config/tarnel.dat"));
  RunResult r = t.q({"--status", "--taskID", "5"});
  EXPECT_EQ(r.status, 7);
  ASSERT_GE(r.out.size(), 22u);
  EXPECT_EQ(r.out.substr(r.out.size() - 22), "searchcontrol-error=7\n");
  r = t.q({"--create_task_id"});
  EXPECT_EQ(r.status, 7);
}

TEST(TarnelJobNumber, ReportsTheEngineJobNumberOrZero) {
  TaskTree t;
  EXPECT_EQ(t.q({"--tarnel_job_number", "--taskID", "77"}).out, "tarneljobnumber=0\n");
  const int64_t id = t.create();
  t.sim({"create", "1"});
  t.sim({"put", std::to_string(id), "0", "0", "", "4711"});
  RunResult r = t.q({"--tarnel_job_number", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "tarneljobnumber=4711\n");
  EXPECT_EQ(r.status, 0);
}

TEST(EngineSim, RefusesWhatItCannotDo) {
  TaskTree t;
  const std::string sim = qvtest::programPath("qv-enginesim");
  RunResult r = t.runProgram(sim, {"put", "5", "1", "0", "", "3"});
  EXPECT_EQ(r.status, 2);  // no control file yet
  EXPECT_EQ(t.runProgram(sim, {"create", "0"}).status, 1);
  EXPECT_EQ(t.runProgram(sim, {"create", "129"}).status, 1);
  EXPECT_EQ(t.runProgram(sim, {"create", "1"}).status, 0);
  EXPECT_EQ(t.control().size(), 47728u);
  r = t.runProgram(sim, {"show", "5"});
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.err, "qv-enginesim: no job slot holds task 5\n");
  EXPECT_EQ(t.runProgram(sim, {"put", "0", "1", "0", "", "3"}).status, 1);
  r = t.runProgram(sim, {"set", "five", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Usage: qv-enginesim"), std::string::npos);
  EXPECT_EQ(t.runProgram(sim, {}).status, 1);
}

TEST(EngineSim, FillsEverySlotOfEveryBlockThenRunsOut) {
  TaskTree t;
  t.sim({"create", "2"});
  for (int i = 1; i <= 200; ++i) {
    ASSERT_EQ(t.runProgram(qvtest::programPath("qv-enginesim"), {"put", std::to_string(i), "1", "0", "", "1"}).status,
              0);
  }
  EXPECT_EQ(t.runProgram(qvtest::programPath("qv-enginesim"), {"put", "201", "1", "0", "", "1"}).status, 3);
  t.sim({"remove", "150"});
  t.sim({"put", "201", "1", "0", "", "1"});
  EXPECT_EQ(t.sim({"show", "201"}).out, "request=0 priority=0\n");
}

}  // namespace
