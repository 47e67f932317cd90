#include "taskregistry/task_record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

using namespace qv_tasklayout;

qv_taskrecord sample() {
  qv_taskrecord r;
  r.taskId = 179654204903;
  r.jobNumber = 77;
  r.creationTime = 1796542049;
  r.state = TASK_INFO_STATE_RUNNING;
  r.errorNumber = -2;
  r.lastUpdate = 1796542050;
  r.resultsFileName = "../data/20261206/F001234.dat";
  r.spare = 500;
  return r;
}

TEST(TaskRecord, FieldsSitInTheirColumnsPaddedWithSpaces) {
  const std::string rec = buildRecord(sample());
  ASSERT_EQ(rec.size(), 326u);
  EXPECT_EQ(rec.substr(0, 14), "179654204903  ");
  EXPECT_EQ(rec.substr(14, 11), "77         ");
  EXPECT_EQ(rec.substr(25, 11), "1796542049 ");
  EXPECT_EQ(rec.substr(36, 11), "3          ");
  EXPECT_EQ(rec.substr(47, 11), "-2         ");
  EXPECT_EQ(rec.substr(58, 11), "1796542050 ");
  EXPECT_EQ(rec.substr(69, 28), "../data/20261206/F001234.dat");
  EXPECT_EQ(rec.substr(97, 314 - 97), std::string(314 - 97, ' '));
  EXPECT_EQ(rec.substr(314, 11), "500        ");
  EXPECT_EQ(rec.back(), '\n');
}

TEST(TaskRecord, ParseGivesBackWhatWasBuilt) {
  const auto r = parseRecord(buildRecord(sample()));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->taskId, 179654204903);
  EXPECT_EQ(r->jobNumber, 77);
  EXPECT_EQ(r->creationTime, 1796542049);
  EXPECT_EQ(r->state, 3);
  EXPECT_EQ(r->errorNumber, -2);
  EXPECT_EQ(r->lastUpdate, 1796542050);
  EXPECT_EQ(r->resultsFileName, "../data/20261206/F001234.dat");
  EXPECT_EQ(r->spare, 500);
}

TEST(TaskRecord, NameOfTheFullWidthIsKeptWholeAndALongerOneNeverSpills) {
  qv_taskrecord r = sample();
  r.resultsFileName = std::string(245, 'n');
  std::string rec = buildRecord(r);
  EXPECT_EQ(rec.substr(69, 245), std::string(245, 'n'));
  EXPECT_EQ(parseRecord(rec)->resultsFileName, std::string(245, 'n'));
  EXPECT_EQ(parseRecord(rec)->spare, 500);
  r.resultsFileName = std::string(300, 'x');
  rec = buildRecord(r);
  ASSERT_EQ(rec.size(), 326u);
  EXPECT_EQ(parseRecord(rec)->spare, 500);
}

TEST(TaskRecord, FullWidthNumbersDoNotRunIntoTheNextColumn) {
  qv_taskrecord r = sample();
  r.jobNumber = INT32_MIN;  // "-2147483648": eleven characters, no space left
  r.spare = INT32_MAX;
  const auto back = parseRecord(buildRecord(r));
  EXPECT_EQ(back->jobNumber, INT32_MIN);
  EXPECT_EQ(back->creationTime, 1796542049);
  EXPECT_EQ(back->spare, INT32_MAX);
}

TEST(TaskRecord, ParseRefusesAnythingButOneRecord) {
  const std::string rec = buildRecord(sample());
  EXPECT_FALSE(parseRecord(rec.substr(0, 325)));
  EXPECT_FALSE(parseRecord(rec + "x"));
}

TEST(TaskRecord, TrailingSpacesAndNewlinesOfTheNameAreDropped) {
  std::string rec = buildRecord(sample());
  rec.replace(69, 5, "a b\n ");
  rec.replace(74, 240, std::string(240, ' '));
  EXPECT_EQ(parseRecord(rec)->resultsFileName, "a b");
}

TEST(TaskRecord, IdentifierIsReadAsADecimalNumber) {
  EXPECT_EQ(parseIdentifier("179654204903  "), 179654204903);
  EXPECT_EQ(parseIdentifier("00000000000042"), 42);
  EXPECT_EQ(parseIdentifier("41.9995       "), 42);  // 0.001 is added before truncation
  EXPECT_EQ(parseIdentifier("12abc         "), 12);
  EXPECT_EQ(parseIdentifier("              "), 0);
  EXPECT_EQ(parseIdentifier("words         "), 0);
  EXPECT_EQ(parseIdentifier("1e300         "), 0);
  EXPECT_EQ(parseIdentifier("-5            "), -4);  // -5 + 0.001 truncates toward zero
}

TEST(TaskRecord, RecordsAreCountedWholeAfterTheHeader) {
  EXPECT_EQ(kHeader.size(), 75u);
  EXPECT_EQ(recordCount(0), 0);
  EXPECT_EQ(recordCount(74), 0);
  EXPECT_EQ(recordCount(75), 0);
  EXPECT_EQ(recordCount(400), 0);
  EXPECT_EQ(recordCount(401), 1);
  EXPECT_EQ(recordCount(401 + 325), 1);
  EXPECT_EQ(recordOffset(0), 75);
  EXPECT_EQ(recordOffset(2), 75 + 652);
}

TEST(TaskRecord, DayDirectoryIsTheLocalDateOfTheIdentifierTime) {
  const char* old = std::getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "UTC", 1);
  tzset();
  // 2026-12-06 23:59:59 UTC, then one second later.
  EXPECT_EQ(dayDirectory("../data", 179660159900 + 99), "../data/20261206");
  EXPECT_EQ(dayDirectory("../data", 179660160000 + 1), "../data/20261207");
  EXPECT_EQ(dayIndexPath("../data/20261206"), "../data/20261206/task_id");
  EXPECT_EQ(taskFilePath("../data/20261206", 179660159901), "../data/20261206/179660159901.task");
  if (old) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

}  // namespace
