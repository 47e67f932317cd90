// Many copies of the program at once against one registry: identifiers stay
// unique, and a record being rewritten is never read half old, half new.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "errors/file_utilities.h"
#include "taskregistry/task_record.h"
#include "searchcontrol/cmd_test_support.h"

namespace {

using qvtest::RunResult;
using qvtest::TaskTree;

// Starts `count` copies of the program, held at a gate until all have been
// started and then released together; copy i writes its answer to out/i.
constexpr const char* kLauncher = R"(
set -u
prog=$1; count=$2; shift 2
mkdir -p out && rm -f gate && mkfifo gate
exec 3<>gate
for i in $(seq 1 "$count"); do
  ( exec 3>&-; read -r _ < gate; exec "$prog" "$@" > "out/$i" 2>&1 ) &
done
for i in $(seq 1 "$count"); do echo go >&3; done
wait
)";

TEST(Concurrency, HundredSimultaneousCreatesGiveHundredDistinctIdentifiers) {
  TaskTree t;
  t.write("cgi/launch.sh", kLauncher);
  RunResult r = t.runProgram("/bin/bash", {"launch.sh", qvtest::programPath(), "100", "--create_task_id"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::set<int64_t> ids;
  for (int i = 1; i <= 100; ++i) {
    const std::string out = t.read("cgi/out/" + std::to_string(i));
    ASSERT_EQ(out.rfind("taskID=", 0), 0u) << out;
    ids.insert(std::stoll(out.substr(7)));
  }
  ASSERT_EQ(ids.size(), 100u);
  // One day index (unless the run straddled midnight), of whole records
  // only, each holding one of the identifiers handed out, in rising order.
  const int64_t first = *ids.begin();
  if (qv_tasklayout::dayName(first) != qv_tasklayout::dayName(*ids.rbegin())) GTEST_SKIP() << "ran over midnight";
  const std::string index = t.read(t.dayIndex(first));
  ASSERT_EQ(index.size(), static_cast<size_t>(qv_tasklayout::recordOffset(100)));
  int64_t previous = 0;
  for (int i = 0; i < 100; ++i) {
    const qv_taskrecord rec = t.record(t.dayIndex(first), i);
    EXPECT_EQ(rec.state, TASK_INFO_STATE_ID_ASSIGNED);
    EXPECT_EQ(ids.count(rec.taskId), 1u) << rec.taskId;
    EXPECT_GT(rec.taskId, previous);
    previous = rec.taskId;
  }
}

// Rewrites a task file again and again under its lock, each time in two
// writes with a pause between, alternating between a completed task and a
// failed one. A reader that ignored the lock would now and then see the new
// state with the old error number ("error=0").
class SlowRecordWriter {
 public:
  SlowRecordWriter(std::string path, int64_t id) : path_(std::move(path)) {
    qv_taskrecord a;
    a.taskId = id;
    a.state = TASK_INFO_STATE_COMPLETE;
    qv_taskrecord b = a;
    b.state = TASK_INFO_STATE_ERROR;
    b.errorNumber = 1111111;
    records_[0] = qv_tasklayout::buildRecord(a);
    records_[1] = qv_tasklayout::buildRecord(b);
    thread_ = std::thread([this] { loop(); });
  }
  ~SlowRecordWriter() {
    stop_ = true;
    thread_.join();
  }
  int rewrites() const { return rewrites_; }

 private:
  void loop() {
    for (int n = 0; !stop_; ++n) {
      const std::string& rec = records_[n % 2];
      qv_file f = openFile(path_, "r+b", false);
      if (!f.isOpen()) continue;
      const bool locked = lockRegion(f.descriptor(), 0, 4, true) == 0;
      // The state column (36) goes first, the error number (47) after the pause.
      (void)f.writeAt(0, std::string_view(rec).substr(0, 40));
      std::this_thread::sleep_for(std::chrono::milliseconds(3));
      (void)f.writeAt(40, std::string_view(rec).substr(40));
      if (locked) (void)unlockRegion(f.descriptor(), 0, 4);
      (void)f.close();
      ++rewrites_;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::string path_;
  std::string records_[2];
  std::atomic<bool> stop_{false};
  std::atomic<int> rewrites_{0};
  std::thread thread_;
};

TEST(Concurrency, StatusNeverReadsATornRecord) {
  TaskTree t;
  const int64_t id = t.create();
  qv_taskrecord start;
  start.taskId = id;
  start.state = TASK_INFO_STATE_COMPLETE;
  t.write(t.taskFile(id), qv_tasklayout::buildRecord(start));
  SlowRecordWriter writer(t.path(t.taskFile(id)), id);
  int complete = 0, failed = 0;
  for (int i = 0; i < 60; ++i) {
    RunResult r = t.q({"--status", "--taskID", std::to_string(id)});
    ASSERT_EQ(r.status, 0);
    if (r.out == "complete\n") {
      ++complete;
    } else if (r.out == "error=1111111\n") {
      ++failed;
    } else {
      FAIL() << "torn record read: " << r.out;
    }
  }
  EXPECT_GT(writer.rewrites(), 10);
  EXPECT_EQ(complete + failed, 60);
}

}  // namespace
