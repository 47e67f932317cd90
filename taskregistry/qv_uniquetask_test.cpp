// The registry object in this process, in a temporary server tree: the
// operations that the commands cannot reach on their own.
#include "taskregistry/qv_uniquetask.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

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
    return *qv_tasklayout::parseRecord(std::string_view(bytes).substr(offset, 326));
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
  EXPECT_EQ(recordAt(dayIndexOf(second), 75 + 326).state, TASK_INFO_STATE_ID_ASSIGNED);
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
