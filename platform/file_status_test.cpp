#include "platform/file_status.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "testsupport/scratch_dir.h"

namespace {

using qv_platform::FileKind;
using qv_platform::fileStatus;
using qv_platform::StatusOf;

TEST(FileStatus, KindsAndPermissionsOfEachEntry) {
  qvtest::ScratchDir dir;
  const std::string file = dir.write("file", "x");
  ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
  const std::string sub = dir.path() + "/sub";
  ASSERT_EQ(::mkdir(sub.c_str(), 0705), 0);
  ASSERT_EQ(::chmod(sub.c_str(), 0705), 0);
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string link = dir.path() + "/link";
  ASSERT_EQ(::symlink(file.c_str(), link.c_str()), 0);

  auto f = fileStatus(file, StatusOf::Entry);
  EXPECT_TRUE(f.present && f.known);
  EXPECT_EQ(f.kind, FileKind::Regular);
  EXPECT_EQ(f.permissions, 0640u);
  auto d = fileStatus(sub, StatusOf::Target);
  EXPECT_EQ(d.kind, FileKind::Directory);
  EXPECT_EQ(d.permissions, 0705u);
  EXPECT_EQ(fileStatus(fifo, StatusOf::Entry).kind, FileKind::Other);
  EXPECT_EQ(fileStatus(link, StatusOf::Entry).kind, FileKind::SymbolicLink);
  auto target = fileStatus(link, StatusOf::Target);
  EXPECT_EQ(target.kind, FileKind::Regular);
  EXPECT_EQ(target.permissions, 0640u);
}

TEST(FileStatus, DanglingLinkIsAnEntryWithoutATarget) {
  qvtest::ScratchDir dir;
  const std::string link = dir.path() + "/dangling";
  ASSERT_EQ(::symlink((dir.path() + "/nowhere").c_str(), link.c_str()), 0);
  const auto entry = fileStatus(link, StatusOf::Entry);
  EXPECT_TRUE(entry.present);
  EXPECT_EQ(entry.kind, FileKind::SymbolicLink);
  EXPECT_FALSE(fileStatus(link, StatusOf::Target).present);
}

TEST(FileStatus, OnlyAMissingEntryIsAbsent) {
  qvtest::ScratchDir dir;
  const std::string file = dir.write("file", "x");
  for (const StatusOf of : {StatusOf::Target, StatusOf::Entry}) {
    EXPECT_FALSE(fileStatus(dir.path() + "/missing", of).present);
    EXPECT_FALSE(fileStatus(file + "/below", of).present) << "a file where a directory should be";
    // A name too long for the system: its status cannot be read, so it
    // counts as present (the callers fail closed).
    const auto tooLong = fileStatus(dir.path() + "/" + std::string(300, 'n'), of);
    EXPECT_TRUE(tooLong.present);
    EXPECT_FALSE(tooLong.known);
    EXPECT_FALSE(tooLong.error.empty());
  }
}

}  // namespace
