// Hostile and damaged registry files, and answers that cannot be written,
// through the real program: links and special files planted in a day
// directory, identifiers outside their day, a summary that no longer matches
// a damaged index, a control file that shrinks under a command, write
// failures injected with the EIO library, and a standard output that cannot
// take the answer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "taskregistry/control_file.h"
#include "taskregistry/day_index_summary.h"
#include "taskregistry/task_record.h"
#include "searchcontrol/cmd_test_support.h"
#include "searchcontrol/output.h"

namespace {

namespace fs = std::filesystem;
using qvtest::RunResult;
using qvtest::TaskTree;

std::string summaryOf(const TaskTree& t, int64_t id) { return t.dayDir(id) + "/task_id.summary"; }

// ---- links and special files in a day directory

TEST(HostileDayDirectory, SummaryLinkedToAnotherFileIsNeverWrittenThrough) {
  TaskTree t;
  const int64_t id = t.create();
  t.seedAhead(id, 5000);  // the next identifier does not depend on the clock
  t.write("victim", "precious contents\n");
  fs::remove(t.path(summaryOf(t, id)));
  fs::create_symlink(t.path("victim"), t.path(summaryOf(t, id)));
  EXPECT_EQ(t.status(id), "id_assigned\n");
  const int64_t next = t.create();
  EXPECT_EQ(next, id + 5001);
  EXPECT_EQ(t.status(next), "id_assigned\n");
  EXPECT_EQ(t.read("victim"), "precious contents\n");
  EXPECT_TRUE(fs::is_symlink(t.path(summaryOf(t, id))));
}

TEST(HostileDayDirectory, DayIndexLinkedToAnotherFileFailsAndWritesNothing) {
  TaskTree t;
  const int64_t id = t.create();
  t.write("victim", "precious contents\n");
  fs::remove(t.path(t.dayIndex(id)));
  fs::remove(t.path(summaryOf(t, id)));
  fs::create_symlink(t.path("victim"), t.path(t.dayIndex(id)));
  RunResult r = t.q({"--create_task_id"});
  EXPECT_EQ(r.out, "searchcontrol-error=2\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(t.read("victim"), "precious contents\n");
  EXPECT_NE(t.read("logs/errorlog.txt").find("symbolic link"), std::string::npos);
  r = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read("victim"), "precious contents\n");
}

TEST(HostileDayDirectory, DayIndexLinkedToADeviceFailsWithoutLosingTheRecord) {
  TaskTree t;
  const int64_t id = t.create();
  fs::remove(t.path(t.dayIndex(id)));
  fs::create_symlink("/dev/zero", t.path(t.dayIndex(id)));
  RunResult r = t.q({"--create_task_id"});
  EXPECT_EQ(r.out, "searchcontrol-error=2\n");
  EXPECT_EQ(r.status, 2);
}

TEST(HostileDayDirectory, ExistingFileWithoutTheHeaderIsNotAppendedTo) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string foreign(500, 'x');
  t.write(t.dayIndex(id), foreign);
  fs::remove(t.path(summaryOf(t, id)));
  RunResult r = t.q({"--create_task_id"});
  EXPECT_EQ(r.out, "searchcontrol-error=1\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(t.read(t.dayIndex(id)), foreign);
  EXPECT_NE(t.read("logs/errorlog.txt").find("does not begin with the day index header"), std::string::npos);
}

TEST(HostileDayDirectory, PipesAsSummaryOrDayIndexNeverBlock) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  t.seedAhead(id, 5000);
  fs::remove(t.path(summaryOf(t, id)));
  ASSERT_EQ(mkfifo(t.path(summaryOf(t, id)).c_str(), 0600), 0);
  const auto started = std::chrono::steady_clock::now();
  RunResult r = t.runProgram("/usr/bin/timeout", {"10", qvtest::programPath(), "--status", "--taskID", sid});
  EXPECT_EQ(r.out, "id_assigned\n");
  EXPECT_EQ(r.status, 0);
  r = t.runProgram("/usr/bin/timeout", {"10", qvtest::programPath(), "--create_task_id"});
  EXPECT_EQ(r.out, "taskID=" + std::to_string(id + 5001) + "\n");
  EXPECT_EQ(r.status, 0);

  fs::remove(t.path(t.dayIndex(id)));
  ASSERT_EQ(mkfifo(t.path(t.dayIndex(id)).c_str(), 0600), 0);
  r = t.runProgram("/usr/bin/timeout", {"10", qvtest::programPath(), "--create_task_id"});
  EXPECT_EQ(r.out, "searchcontrol-error=2\n");
  EXPECT_EQ(r.status, 2);
  r = t.runProgram("/usr/bin/timeout", {"10", qvtest::programPath(), "--status", "--taskID", sid});
  EXPECT_EQ(r.out, "searchcontrol-error=1\n");
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

TEST(HostileDayDirectory, LinkedTaskFileAndLegacyRegistryAreRefused) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord r;
  r.taskId = id;
  r.state = TASK_INFO_STATE_COMPLETE;
  t.write("elsewhere.task", qv_tasklayout::buildRecord(r));
  fs::create_symlink(t.path("elsewhere.task"), t.path(t.taskFile(id)));
  RunResult out = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(out.out, "searchcontrol-error=1\n");
  fs::remove(t.path(t.taskFile(id)));
  t.write("elsewhere", std::string(qv_tasklayout::kHeader) + qv_tasklayout::buildRecord(r));
  fs::create_symlink(t.path("elsewhere"), t.path("data/task_id"));
  out = t.q({"--status", "--taskID", std::to_string(id)});
  EXPECT_EQ(out.out, "searchcontrol-error=1\n");
}

TEST(HostileDayDirectory, LinkedDayDirectoryKeepsWorking) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string day = t.dayDir(id);
  fs::rename(t.path(day), t.path("data/moved"));
  fs::create_directory_symlink(t.path("data/moved"), t.path(day));
  t.seedAhead(id, 5000);
  EXPECT_EQ(t.status(id), "id_assigned\n");
  EXPECT_EQ(t.create(), id + 5001);
  EXPECT_EQ(t.status(id + 5001), "id_assigned\n");
}

// ---- identifiers outside their day

TEST(ForeignIdentifiers, RecordOfAnotherDayDoesNotMoveTheCounter) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord far;
  far.taskId = qv_tasklayout::kMaxIdentifier;
  far.state = TASK_INFO_STATE_ID_ASSIGNED;
  t.append(t.dayIndex(id), far);
  const int64_t a = t.create();
  const int64_t b = t.create();
  // Consecutive unless a second passes between the two creates; either way
  // both stay within seconds of the first, never near the foreign record.
  EXPECT_GT(a, id);
  EXPECT_GT(b, a);
  EXPECT_EQ(qv_tasklayout::dayName(a), qv_tasklayout::dayName(id));
  EXPECT_LT(b, id + 100 * 100);
  EXPECT_EQ(t.status(a), "id_assigned\n");
  EXPECT_EQ(t.status(b), "id_assigned\n");
  EXPECT_FALSE(t.exists("data/336580927"));
}

TEST(ForeignIdentifiers, ForgedSummaryDoesNotMoveTheCounter) {
  TaskTree t;
  const int64_t id = t.create();
  t.seedAhead(id, 5000);
  EXPECT_EQ(t.status(id), "id_assigned\n");  // the summary now covers both records
  qv_dayindex_summary forged = *qv_dayindexsummary::parseSummary(t.read(summaryOf(t, id)));
  ASSERT_EQ(forged.records(), 2);
  forged.maxId = 9000000000000000000;
  t.write(summaryOf(t, id), qv_dayindexsummary::buildSummary(forged));
  const int64_t next = t.create();
  EXPECT_EQ(next, id + 5001);
  EXPECT_FALSE(t.exists("data/task_id"));
}

TEST(ForeignIdentifiers, HugeIdentifierGivesNoPathAndNoLegacyRegistry) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord huge;
  huge.taskId = 9000000000000000000;  // cut to 14 digits when written: not written at all
  t.seedAhead(id, 5000);
  t.write(t.dayIndex(id), t.read(t.dayIndex(id)) + qv_tasklayout::buildRecord(huge).replace(0, 14, "9e18          "));
  EXPECT_EQ(t.create(), id + 5001);
  EXPECT_EQ(t.q({"--status", "--taskID", "9e18"}).out, "unknown_id\n");
  EXPECT_FALSE(t.exists("data/task_id"));
  for (const auto& entry : fs::directory_iterator(t.path("data"))) {
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name == "moved" || name.size() == 8 || name == "tarnel.control") << name;
  }
}

// ---- lookups never trust a summary over a damaged index

// Answers of --status for every identifier in `ids`, plus some never handed out.
std::vector<std::string> statusOfAll(const TaskTree& t, const std::vector<int64_t>& ids) {
  std::vector<std::string> answers;
  for (int64_t id : ids) answers.push_back(t.status(id));
  answers.push_back(t.status(ids.back() + 1));
  return answers;
}

TEST(DamagedIndex, LookupsWithTheSummaryEqualThoseOfTheScan) {
  struct Damage {
    const char* what;
    int record;
    std::string idColumn;
  };
  const std::vector<Damage> damages = {
      {"a huge identifier", 2, "99999999999999"},
      {"an identifier of zero", 3, "0             "},
      {"letters", 1, "garbage       "},
      {"the next record's identifier", 2, ""},  // filled in below
      {"the first record's identifier", 5, ""},
  };
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    TaskTree t;
    std::vector<int64_t> ids;
    for (int i = 0; i < 7; ++i) ids.push_back(t.create());
    // Records 1, 4 and 6 move on to other states so that a wrong record shows.
    for (int i : {1, 4, 6}) ASSERT_EQ(t.q({"--set_to_queued", "--taskID", std::to_string(ids[i])}).status, 0);
    std::string column = damage.idColumn;
    if (column.empty()) {
      const int64_t copied = damage.record == 2 ? ids[3] : ids[0];
      column = qv_tasklayout::identifierText(copied);
      column.resize(14, ' ');
    }
    std::string bytes = t.read(t.dayIndex(ids[0]));
    bytes.replace(static_cast<size_t>(qv_tasklayout::recordOffset(damage.record)), 14, column);
    t.write(t.dayIndex(ids[0]), bytes);
    const std::vector<std::string> withSummary = statusOfAll(t, ids);
    fs::remove(t.path(summaryOf(t, ids[0])));
    const std::vector<std::string> withoutSummary = statusOfAll(t, ids);
    EXPECT_EQ(withSummary, withoutSummary);
    // A summary rebuilt from the damaged index answers the same again.
    EXPECT_TRUE(t.exists(summaryOf(t, ids[0])));
    EXPECT_EQ(statusOfAll(t, ids), withoutSummary);
  }
}

TEST(DamagedIndex, RecordAfterAHugeIdentifierIsStillFound) {
  TaskTree t;
  std::vector<int64_t> ids;
  for (int i = 0; i < 5; ++i) ids.push_back(t.create());
  std::string bytes = t.read(t.dayIndex(ids[0]));
  bytes.replace(static_cast<size_t>(qv_tasklayout::recordOffset(2)), 14, "99999999999999");
  t.write(t.dayIndex(ids[0]), bytes);
  EXPECT_EQ(t.status(ids[4]), "id_assigned\n");
  EXPECT_EQ(t.status(ids[3]), "id_assigned\n");
  EXPECT_EQ(t.status(ids[2]), "unknown_id\n");
}

// ---- a control file that shrinks under a command

TEST(ShrinkingControlFile, CommandsNeverCrashWhileTheEngineRewritesIt) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  t.sim({"create", "128"});
  // The task's slot lies in the last block, so that the scan crosses the whole file.
  std::string full = t.control();
  ASSERT_EQ(full.size(), 128 * qv_controlfile::kBlockSize);
  for (uint64_t b = 0; b < 128; ++b) full[b * qv_controlfile::kBlockSize + qv_controlfile::kBlockInUseOffset] = 1;
  {
    qv_controlfile::qv_controlview view(full.data(), full.size());
    const uint64_t slot = qv_controlfile::slotOffset(127, 99);
    ASSERT_TRUE(view.store64(slot + qv_controlfile::kTaskIdOffset, id));
    ASSERT_TRUE(view.store32(slot + qv_controlfile::kJobStatusOffset, 1));
    ASSERT_TRUE(view.store32(slot + qv_controlfile::kProgressOffset, 50));
  }
  t.write("data/tarnel.control", full);
  const std::string path = t.path("data/tarnel.control");
  std::atomic<bool> stop{false};
  std::thread engine([&] {
    // Shrinks the file to one block and writes it whole again, over and over.
    while (!stop.load()) {
      fs::resize_file(path, qv_controlfile::kBlockSize);
      fs::resize_file(path, full.size());
      std::FILE* f = std::fopen(path.c_str(), "r+b");
      if (f != nullptr) {
        std::fwrite(full.data(), 1, full.size(), f);
        std::fclose(f);
      }
    }
  });
  int crashes = 0, runs = 0;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(6);
  while (std::chrono::steady_clock::now() < until) {
    for (const char* command : {"--status", "--kill_job", "--resume_job"}) {
      RunResult r = t.q({command, "--taskID", sid});
      ++runs;
      if (r.status != 0) ++crashes;
      // Once a run has seen the slot the record says running; a slot read
      // across a rewrite may show its progress as 0.
      EXPECT_TRUE(r.out == "running=50%\n" || r.out == "running=0%\n" || r.out == "id_assigned\n" ||
                  r.out == "job_killed\n" || r.out == "job_resumed\n" || r.out == "job_not_running\n")
          << command << ": " << r.out << r.err;
    }
  }
  stop = true;
  engine.join();
  EXPECT_EQ(crashes, 0) << "of " << runs << " runs";
}

// ---- failures to write, and answers that cannot be written

TEST(FailedWrites, SetToQueuedReportsARecordThatCannotBeWritten) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string before = t.read(t.dayIndex(id));
  RunResult r = t.runWithEnv(qvtest::failingIo(t.path(t.dayIndex(id)), "write"),
                             {"--set_to_queued", "--taskID", std::to_string(id)});
  EXPECT_EQ(r.out, "searchcontrol-error=4\n");
  EXPECT_EQ(r.status, 4);
  EXPECT_EQ(t.read(t.dayIndex(id)), before);
  EXPECT_NE(t.read("logs/errorlog.txt").find("M00410 - Job -21"), std::string::npos);
  EXPECT_EQ(t.status(id), "id_assigned\n");
}

TEST(FailedWrites, ConfigurationThatCannotBeReadStopsTheCommand) {
  TaskTree t;
  RunResult r = t.runWithEnv(qvtest::failingIo(t.path("config/tarnel.dat"), "read"), {"--create_task_id"});
  // The reporter shows the configuration error as a warning first.
  EXPECT_TRUE(r.out.ends_with("for reading (Input/output error) [M00412]<BR>\nYour search is continuing...<BR>\n"
                              "searchcontrol-error=7\n"))
      << r.out;
  EXPECT_EQ(r.status, 7);
  EXPECT_FALSE(t.exists("data/" + qv_tasklayout::dayName(static_cast<int64_t>(std::time(nullptr)) * 100)));
  EXPECT_NE(t.read("logs/errorlog.txt").find("Input/output error"), std::string::npos);
}

RunResult runWithStdout(const TaskTree& t, const std::string& mode, const std::vector<std::string>& args) {
  std::vector<std::string> all{mode, qvtest::programPath()};
  all.insert(all.end(), args.begin(), args.end());
  return t.runProgram(qvtest::programPath("qv-stdout-fault"), all);
}

TEST(LostAnswers, AnswerThatCannotBeWrittenIsNotASuccess) {
  TaskTree t;
  const int64_t id = t.create();
  const std::string sid = std::to_string(id);
  for (const char* mode : {"closed", "full", "broken"}) {
    SCOPED_TRACE(mode);
    const std::string indexBefore = t.read(t.dayIndex(id));
    RunResult r = runWithStdout(t, mode, {"--create_task_id"});
    EXPECT_EQ(r.status, qv_output::kAnswerNotWritten) << r.err;
    // The record was made; the answer went nowhere else (not into the index).
    const std::string index = t.read(t.dayIndex(id));
    EXPECT_EQ(index.size(), indexBefore.size() + qv_tasklayout::kRecordSize);
    EXPECT_EQ(index.find("taskID="), std::string::npos);
    r = runWithStdout(t, mode, {"--status", "--taskID", sid});
    EXPECT_EQ(r.status, qv_output::kAnswerNotWritten) << r.err;
  }
  // A failure keeps its own code when its answer is lost too.
  fs::remove(t.path("config/tarnel.dat"));
  EXPECT_EQ(runWithStdout(t, "full", {"--status", "--taskID", sid}).status, 7);
  EXPECT_EQ(runWithStdout(t, "full", {"--version"}).status, qv_output::kAnswerNotWritten);
}

}  // namespace
