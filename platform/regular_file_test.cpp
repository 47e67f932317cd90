// Reading the small files of a store that other users can write into: only
// a regular file named by the path itself is read, and nothing waits.
#include "platform/regular_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_io.h"

namespace {

namespace fs = std::filesystem;
using qv_platform::EntryKind;
using qv_platform::ReadStatus;

class StoreFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("qvregular" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    write("plain", "<a/>");
    write("empty", "");
    fs::create_symlink(dir_ / "plain", dir_ / "link");
    fs::create_symlink(dir_ / "nowhere", dir_ / "dangling");
    fs::create_directory(dir_ / "dir");
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    fs::create_symlink("/dev/stdin", dir_ / "stdin");
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  fs::path dir_;
};

TEST_F(StoreFiles, OnlyARegularFileNamedByThePathItselfIsRead) {
  const struct {
    const char* name;
    ReadStatus status;
    const char* bytes;
  } cases[] = {
      {"plain", ReadStatus::Read, "<a/>"},   {"empty", ReadStatus::Read, ""},
      {"absent", ReadStatus::Missing, ""},   {"absent/below", ReadStatus::Missing, ""},
      {"link", ReadStatus::NotRegular, ""},  {"dangling", ReadStatus::NotRegular, ""},
      {"dir", ReadStatus::NotRegular, ""},   {"fifo", ReadStatus::NotRegular, ""},
      {"stdin", ReadStatus::NotRegular, ""},
  };
  for (const auto& c : cases) {
    const qv_platform::WholeFile f = qv_platform::readRegularFile(path(c.name), 100);
    EXPECT_EQ(f.status, c.status) << c.name;
    EXPECT_EQ(f.bytes, c.bytes) << c.name;
  }
  EXPECT_EQ(qv_platform::readRegularFile("/dev/null", 100).status, ReadStatus::NotRegular);
}

TEST_F(StoreFiles, FileOfExactlyTheLimitIsReadAndOneByteMoreIsTooLarge) {
  write("ten", std::string(10, 'x'));
  EXPECT_EQ(qv_platform::readRegularFile(path("ten"), 11).status, ReadStatus::Read);
  const qv_platform::WholeFile equal = qv_platform::readRegularFile(path("ten"), 10);
  EXPECT_EQ(equal.status, ReadStatus::Read);
  EXPECT_EQ(equal.bytes, std::string(10, 'x'));
  const qv_platform::WholeFile over = qv_platform::readRegularFile(path("ten"), 9);
  EXPECT_EQ(over.status, ReadStatus::TooLarge);
  EXPECT_EQ(over.bytes, "");
}

TEST_F(StoreFiles, EntryKindLooksAtTheLinkNotItsTarget) {
  const struct {
    std::string name;
    EntryKind kind;
  } cases[] = {
      {"plain", EntryKind::Regular},
      {"empty", EntryKind::Regular},
      {"absent", EntryKind::None},
      {"plain/below", EntryKind::None},
      {std::string(300, 'n'), EntryKind::None},
      {"link", EntryKind::Other},
      {"dangling", EntryKind::Other},
      {"dir", EntryKind::Other},
      {"fifo", EntryKind::Other},
      {"stdin", EntryKind::Other},
  };
  for (const auto& c : cases) EXPECT_EQ(qv_platform::entryKind(path(c.name)), c.kind) << c.name.substr(0, 20);
}

TEST_F(StoreFiles, AppendingWritesOnlyARegularFileAndNeverWaits) {
  ASSERT_TRUE(qv_platform::appendToFile(path("plain"), "+"));
  EXPECT_EQ(qv_platform::readRegularFile(path("plain"), 100).bytes, "<a/>+");
  EXPECT_FALSE(qv_platform::appendToFile(path("link"), "x"));
  EXPECT_FALSE(qv_platform::appendToFile(path("dangling"), "x", "head\n"));
  EXPECT_FALSE(fs::exists(dir_ / "nowhere")) << "a dangling link's target is never created";
  EXPECT_FALSE(qv_platform::appendToFile(path("dir"), "x"));
  EXPECT_FALSE(qv_platform::appendToFile(path("fifo"), "x")) << "no reader: the open would wait";
  // With a reader the open succeeds, and the FIFO is still not written.
  const int reader = ::open(path("fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  EXPECT_FALSE(qv_platform::appendToFile(path("fifo"), "x"));
  char byte;
  EXPECT_EQ(::read(reader, &byte, 1), 0);
  ::close(reader);
  EXPECT_EQ(qv_platform::readRegularFile(path("plain"), 100).bytes, "<a/>+") << "the link's target is untouched";
}

}  // namespace
