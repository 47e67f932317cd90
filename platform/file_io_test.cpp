#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/clock.h"
#include "platform/system_error.h"

namespace {

TEST(FileIo, AppendWritesTheHeaderOnlyWhenItCreatesTheFile) {
  const std::string path = std::filesystem::temp_directory_path() / ("qvappend" + std::to_string(getpid()));
  std::filesystem::remove(path);
  ASSERT_TRUE(qv_platform::appendToFile(path, "one\n", "head\n"));
  ASSERT_TRUE(qv_platform::appendToFile(path, "two\n", "head\n"));
  EXPECT_EQ(qv_platform::readWholeFile(path).value_or(""), "head\none\ntwo\n");
  std::filesystem::remove(path);
  EXPECT_FALSE(qv_platform::appendToFile("/no/such/dir/x", "a"));
  EXPECT_FALSE(qv_platform::readWholeFile("/no/such/dir/x"));
}

TEST(Clock, CalendarTextHasTheFixedLayout) {
  setenv("TZ", "UTC", 1);
  tzset();
  EXPECT_EQ(qv_platform::calendarTimeText(0), "Thu Jan  1 00:00:00 1970");
  EXPECT_EQ(qv_platform::calendarTimeText(1796540884), "Sun Dec  6 07:08:04 2026");
  EXPECT_EQ(qv_platform::calendarTimeText(1796540884).size(), 24u);
}

TEST(SystemError, TextComesFromTheSystem) {
  EXPECT_EQ(qv_platform::systemErrorText(ENOENT), "No such file or directory");
  EXPECT_FALSE(qv_platform::systemErrorText(123456).empty());
}

}  // namespace
