#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/time.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

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

void ignoreAlarm(int) {}

// A pipe whose reader is slow, and a timer signal that interrupts the
// writer often without restarting its calls: the writes come back short or
// interrupted, and every byte must still arrive once and in order.
TEST(FileIo, WriteAllGoesOnAfterShortAndInterruptedWrites) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  std::string data(8 << 20, '\0');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i * 131 + i / 4093);
  std::string received;
  std::thread reader([&] {
    // The signal is for the writer only.
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    pthread_sigmask(SIG_BLOCK, &alarm, nullptr);
    char buf[4096];
    for (long n; (n = ::read(fds[0], buf, sizeof buf)) != 0;) {
      if (n > 0) received.append(buf, static_cast<size_t>(n));
    }
  });
  struct sigaction action = {};
  struct sigaction old = {};
  action.sa_handler = ignoreAlarm;  // no SA_RESTART
  ASSERT_EQ(::sigaction(SIGALRM, &action, &old), 0);
  const itimerval every{{0, 200}, {0, 200}};
  ASSERT_EQ(::setitimer(ITIMER_REAL, &every, nullptr), 0);
  const bool written = qv_platform::writeAll(fds[1], data);
  const itimerval stop{};
  ::setitimer(ITIMER_REAL, &stop, nullptr);
  ::sigaction(SIGALRM, &old, nullptr);
  ::close(fds[1]);
  reader.join();
  ::close(fds[0]);
  EXPECT_TRUE(written);
  EXPECT_EQ(received.size(), data.size());
  EXPECT_TRUE(received == data);
  EXPECT_FALSE(qv_platform::writeAll(-1, "x"));
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
