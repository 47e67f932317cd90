// The registry object in this process, in a temporary server tree: the
// operations that the commands cannot reach on their own.
#include "taskregistry/qv_uniquetask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "taskregistry/day_index_summary.h"
#include "taskregistry/task_record.h"
#include "testsupport/server_tree.h"

namespace {

class UniqueTask : public testing::Test {
 protected:
  void SetUp() override {
    tree_.write("config/tarnel.dat",
                "Options\nInterFileBasePath ../data\nTarnelControlFile ../data/tarnel.control\nend\n");
    old_ = std::filesystem::current_path();
    std::filesystem::current_path(tree_.cgi());
  }
  void TearDown() override { std::filesystem::current_path(old_); }

  qv_taskrecord recordAt(const std::string& file, int64_t offset) {
    const std::string bytes = tree_.read(file);
    return *qv_tasklayout::parseRecord(std::string_view(bytes).substr(offset, qv_tasklayout::kRecordSize));
  }
  std::string dayIndexOf(int64_t id) { return "data/" + qv_tasklayout::dayName(id) + "/task_id"; }

  qvtest::ServerTree tree_;
  std::filesystem::path old_;
};

TEST_F(UniqueTask, NewTaskIsAppendedToAFreshDayIndex) {
  qv_uniquetask task;
  ASSERT_EQ(task.getErrorCode(), 0);
  EXPECT_EQ(task.getState(), TASK_INFO_STATE_ID_ASSIGNED);
  EXPECT_EQ(task.getRecordKind(), RECORD_KIND_DAY_INDEX);
  EXPECT_EQ(task.getRecordPosition(), 75);
  const std::string index = tree_.read(dayIndexOf(task.getTaskID()));
  ASSERT_EQ(index.size(), 401u);
  EXPECT_EQ(index.substr(0, 75), qv_tasklayout::kHeader);
  EXPECT_EQ(recordAt(dayIndexOf(task.getTaskID()), 75).taskId, task.getTaskID());
}

TEST_F(UniqueTask, ResultsNameLongerThan245IsCutTo244WithCode9) {
  qv_uniquetask task;
  const std::string index = dayIndexOf(task.getTaskID());
  EXPECT_TRUE(task.updateTask(4, 0, std::string(246, 'a'), 12, 34));
  EXPECT_EQ(task.getErrorCode(), REGISTRY_ERR_NAME_CUT);
  EXPECT_EQ(recordAt(index, 75).resultsFileName, std::string(244, 'a'));
  EXPECT_EQ(recordAt(index, 75).spare, 34);
  EXPECT_TRUE(task.updateTask(4, 0, std::string(245, 'b'), 12, 34));
  EXPECT_EQ(task.getErrorCode(), 0);
  EXPECT_EQ(recordAt(index, 75).resultsFileName, std::string(245, 'b'));
}

TEST_F(UniqueTask, UpdateWritesBackWhereTheRecordWasFound) {
  int64_t first = 0, second = 0;
  {
    qv_uniquetask a;
    first = a.getTaskID();
  }
  {
    qv_uniquetask b;
    second = b.getTaskID();
  }
  qv_uniquetask again(first);
  ASSERT_EQ(again.getState(), TASK_INFO_STATE_ID_ASSIGNED);
  EXPECT_TRUE(again.updateTask(2, 7, "name", 55, 66));
  const qv_taskrecord r = recordAt(dayIndexOf(first), 75);
  EXPECT_EQ(r.taskId, first);
  EXPECT_EQ(r.state, 2);
  EXPECT_EQ(r.errorNumber, 7);
  EXPECT_EQ(r.jobNumber, 55);
  EXPECT_EQ(r.spare, 66);
  EXPECT_EQ(recordAt(dayIndexOf(second), qv_tasklayout::recordOffset(1)).state, TASK_INFO_STATE_ID_ASSIGNED);
}

TEST_F(UniqueTask, IndexReplacedByALinkIsNotWrittenThroughAndGivesCode1) {
  qv_uniquetask task;
  const std::string index = tree_.path(dayIndexOf(task.getTaskID()));
  std::filesystem::remove(index);
  tree_.write("victim", "keep me");
  std::filesystem::create_symlink(tree_.path("victim"), index);
  EXPECT_FALSE(task.updateTask(2, 0, "", 0, 0));
  EXPECT_EQ(task.getErrorCode(), REGISTRY_ERR_OPEN);
  EXPECT_EQ(tree_.read("victim"), "keep me");
  EXPECT_NE(tree_.read("logs/errorlog.txt").find("M00411 - Job -21"), std::string::npos);
}

// A summary that matches the index's stamp although the index was damaged
// behind it (the change fell within one tick of the clock): a binary search
// that misses is confirmed by the scan.
TEST_F(UniqueTask, BinarySearchMissFallsBackToTheScan) {
  std::vector<int64_t> ids;
  for (int i = 0; i < 5; ++i) {
    qv_uniquetask task;
    ASSERT_EQ(task.getErrorCode(), 0);
    ids.push_back(task.getTaskID());
  }
  const std::string index = tree_.path(dayIndexOf(ids[0]));
  const std::string day = std::filesystem::path(index).parent_path().string();
  std::string bytes = tree_.read(dayIndexOf(ids[0]));
  bytes.replace(static_cast<size_t>(qv_tasklayout::recordOffset(2)), 14, "99999999999999");
  {
    qv_file f = openFile(index, "r+b", false);
    ASSERT_TRUE(f.writeAt(0, bytes));
  }
  std::optional<qv_dayindex_summary> s = qv_dayindexsummary::parseSummary(tree_.read(dayIndexOf(ids[0]) + ".summary"));
  ASSERT_TRUE(s);
  ASSERT_TRUE(s->ascending);
  s->indexStamp = *openFile(index, "rb", false).stamp();
  tree_.write(dayIndexOf(ids[0]) + ".summary", qv_dayindexsummary::buildSummary(*s));
  for (int i : {0, 1, 3, 4}) {
    std::optional<qv_found_record> found;
    EXPECT_EQ(qv_taskfiles::findRecord(index, day, ids[i], found), REGISTRY_OK);
    ASSERT_TRUE(found) << i;
    EXPECT_EQ(found->position, qv_tasklayout::recordOffset(i));
  }
}

TEST_F(UniqueTask, IdentifierWiderThanItsColumnIsNeverWritten) {
  qv_uniquetask task;
  const std::string index = tree_.path(dayIndexOf(task.getTaskID()));
  const std::string before = tree_.read(dayIndexOf(task.getTaskID()));
  qv_taskrecord wide;
  wide.taskId = qv_tasklayout::kMaxIdentifier + 1;
  EXPECT_EQ(qv_taskfiles::writeRecord(index, 75, wide), REGISTRY_ERR_WRITE);
  EXPECT_EQ(tree_.read(dayIndexOf(task.getTaskID())), before);
  EXPECT_NE(tree_.read("logs/errorlog.txt").find("does not fit its column"), std::string::npos);
}

TEST_F(UniqueTask, UnknownTaskHasAnEmptyRecordAndCannotBeUpdated) {
  qv_uniquetask task(4242);
  EXPECT_EQ(task.getErrorCode(), 0);
  EXPECT_EQ(task.getState(), 0);
  EXPECT_EQ(task.getJobNumber(), 0);
  EXPECT_EQ(task.getRecordPosition(), -1);
  EXPECT_FALSE(task.updateTask(2, 0, "", 0, 0));
  EXPECT_FALSE(task.killJob());
  EXPECT_EQ(task.getNice(), 0);
}

TEST_F(UniqueTask, InvalidConfigurationGivesCode7AndTouchesNothing) {
  std::filesystem::remove(tree_.path("config/tarnel.dat"));
  qv_uniquetask task;
  EXPECT_EQ(task.getErrorCode(), REGISTRY_ERR_CONFIG);
  EXPECT_EQ(task.getTaskID(), 0);
  EXPECT_FALSE(std::filesystem::exists(tree_.path("data/" + qv_tasklayout::dayName(task.getTaskID()))));
}

}  // namespace
