#include "platform/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using qv_platform::ProcessRequest;
using qv_platform::runProcess;

TEST(Process, CapturesBothStreamsStatusAndInput) {
  ProcessRequest req;
  req.argv = {"/bin/sh", "-c", "cat; echo err >&2; exit 3"};
  req.standardInput = std::string(200000, 'x');  // more than a pipe holds
  auto r = runProcess(req);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->standardOutput.size(), 200000u);
  EXPECT_EQ(r->standardError, "err\n");
  EXPECT_EQ(r->exitStatus, 3);
}

TEST(Process, EnvironmentDirectoryAndArgvZero) {
  ProcessRequest req;
  req.argv = {"shown-name", "-c", "echo \"$0|$FOO|${BAR-unset}|$(pwd)\""};
  req.program = "/bin/sh";
  req.workingDirectory = "/tmp";
  req.environment = {{"FOO", "a b"}};
  setenv("BAR", "inherited", 1);
  req.unsetEnvironment = {"BAR"};
  auto r = runProcess(req);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->standardOutput, "shown-name|a b|unset|/tmp\n");
}

TEST(Process, TimeoutKillsAndMissingProgramFails) {
  ProcessRequest req;
  req.argv = {"/bin/sleep", "30"};
  req.timeoutSeconds = 1;
  auto r = runProcess(req);
  ASSERT_TRUE(r);
  EXPECT_TRUE(r->timedOut);
  EXPECT_EQ(r->exitStatus, 128 + 9);

  req.argv = {"/no/such/program"};
  r = runProcess(req);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->exitStatus, 127);
}

TEST(Process, StartDetachedRunsWithoutWaiting) {
  const std::string marker = std::filesystem::temp_directory_path() / ("qvdetached" + std::to_string(getpid()));
  std::filesystem::remove(marker);
  ASSERT_TRUE(qv_platform::startDetached({"/bin/sh", "-c", "sleep 0.2; echo done > " + marker}));
  EXPECT_FALSE(std::filesystem::exists(marker));  // we did not wait for it
  for (int i = 0; i < 100 && !std::filesystem::exists(marker); ++i) usleep(50000);
  EXPECT_TRUE(std::filesystem::exists(marker));
  std::filesystem::remove(marker);
  EXPECT_FALSE(qv_platform::startDetached({"/no/such/program"}));
}

}  // namespace
