// Replacing a file atomically: which file may be made, the temporary file's
// name beside a file of the longest name, and the modes the contents have
// while they are written and afterwards.
#include "platform/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_io.h"

namespace {

namespace fs = std::filesystem;
using qv_platform::ReplaceMode;
using qv_platform::ReplaceResult;

class FileReplace : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "qvreplace-XXXXXX").string();
    ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::string path(const std::string& name) const { return dir_ + "/" + name; }
  void make(const std::string& name, const std::string& contents, mode_t mode) const {
    ASSERT_EQ(qv_platform::replaceFileAtomically(path(name), contents, ReplaceMode::CreateOrReplace),
              ReplaceResult::Replaced);
    ASSERT_EQ(::chmod(path(name).c_str(), mode), 0);
  }
  static mode_t modeOf(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  // The names in the directory, so that a temporary file left behind shows.
  std::vector<std::string> names() const {
    std::vector<std::string> all;
    for (const auto& e : fs::directory_iterator(dir_)) all.push_back(e.path().filename());
    std::sort(all.begin(), all.end());
    return all;
  }
  std::string dir_;
};

TEST_F(FileReplace, AMissingFileIsMadeOnlyWhenTheModeAllowsIt) {
  struct Case {
    ReplaceMode mode;
    bool present;
    ReplaceResult result;
    const char* after;  // contents afterwards; nullptr when there is no file
  };
  const Case cases[] = {
      {ReplaceMode::CreateOrReplace, false, ReplaceResult::Replaced, "new"},
      {ReplaceMode::CreateOrReplace, true, ReplaceResult::Replaced, "new"},
      {ReplaceMode::ReplaceExisting, false, ReplaceResult::TargetGone, nullptr},
      {ReplaceMode::ReplaceExisting, true, ReplaceResult::Replaced, "new"},
  };
  for (const Case& c : cases) {
    const std::string where = std::string(c.mode == ReplaceMode::ReplaceExisting ? "replace" : "create") +
                              (c.present ? " over a file" : " with no file");
    fs::remove(path("f"));
    if (c.present) make("f", "old", 0644);
    std::string error;
    EXPECT_EQ(qv_platform::replaceFileAtomically(path("f"), "new", c.mode, &error), c.result) << where << error;
    if (c.after == nullptr) {
      EXPECT_FALSE(fs::exists(path("f"))) << where;
      EXPECT_EQ(names(), std::vector<std::string>()) << where;
    } else {
      EXPECT_EQ(qv_platform::readWholeFile(path("f")).value_or("<none>"), c.after) << where;
      EXPECT_EQ(names(), std::vector<std::string>({"f"})) << where;
    }
  }
}

TEST_F(FileReplace, ADirectoryInTheFilesPlaceIsLeftAlone) {
  fs::create_directory(path("d"));
  for (ReplaceMode mode : {ReplaceMode::CreateOrReplace, ReplaceMode::ReplaceExisting}) {
    std::string error;
    EXPECT_EQ(qv_platform::replaceFileAtomically(path("d"), "new", mode, &error), ReplaceResult::Failed);
    EXPECT_NE(error.find("Is a directory"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(path("d")));
    EXPECT_EQ(names(), std::vector<std::string>({"d"}));
  }
}

// The temporary file is named after the file, cut so that it fits beside a
// file of the longest name the directory takes (255 bytes here).
TEST_F(FileReplace, FilesOfEveryNameLengthUpToTheLimitAreReplaced) {
  for (size_t length : {1u, 243u, 244u, 245u, 254u, 255u}) {
    const std::string name(length, 'n');
    for (ReplaceMode mode : {ReplaceMode::CreateOrReplace, ReplaceMode::ReplaceExisting}) {
      fs::remove(path(name));
      make(name, "old", 0600);
      std::string error;
      EXPECT_EQ(qv_platform::replaceFileAtomically(path(name), "new", mode, &error), ReplaceResult::Replaced)
          << length << " bytes: " << error;
      EXPECT_EQ(qv_platform::readWholeFile(path(name)).value_or("<none>"), "new") << length;
      EXPECT_EQ(names(), std::vector<std::string>({name})) << length;
    }
    fs::remove(path(name));
  }
  // A name longer than any file can have is refused, and nothing is left.
  std::string error;
  EXPECT_EQ(qv_platform::replaceFileAtomically(path(std::string(256, 'n')), "new", ReplaceMode::CreateOrReplace, &error),
            ReplaceResult::Failed);
  EXPECT_NE(error.find("File name too long"), std::string::npos) << error;
  EXPECT_EQ(names(), std::vector<std::string>());
}

// A made file is its owner's only, whatever the umask; a replaced file keeps
// its permission bits (not set-user-ID and the like).
TEST_F(FileReplace, ModesOfMadeAndReplacedFiles) {
  const mode_t saved = ::umask(0);
  struct Case {
    ReplaceMode mode;
    mode_t before;  // 0: no file before
    mode_t after;
  };
  const Case cases[] = {
      {ReplaceMode::CreateOrReplace, 0, 0600},       {ReplaceMode::CreateOrReplace, 0644, 0644},
      {ReplaceMode::CreateOrReplace, 0400, 0400},    {ReplaceMode::ReplaceExisting, 0640, 0640},
      {ReplaceMode::ReplaceExisting, 0666, 0666},    {ReplaceMode::ReplaceExisting, 04640, 0640},
  };
  for (const Case& c : cases) {
    fs::remove(path("f"));
    if (c.before != 0) make("f", "old", c.before);
    EXPECT_EQ(qv_platform::replaceFileAtomically(path("f"), "new", c.mode), ReplaceResult::Replaced);
    EXPECT_EQ(modeOf(path("f")), c.after) << std::oct << "before 0" << c.before;
  }
  ::umask(saved);
}

// While a large file is written, a watcher looks at the temporary file again
// and again: until all of the contents are there, nobody but the owner may
// read it, even when the file it replaces is readable by everyone. (Right
// after the exchange the old file is under the temporary name for a moment;
// the watcher knows it by its inode.)
TEST_F(FileReplace, TheContentsAreTheOwnersOnlyUntilTheyAreComplete) {
  const mode_t saved = ::umask(0);
  make("f", "old", 0644);
  const std::string data(32 << 20, 'x');
  std::atomic<bool> done{false};
  std::atomic<ino_t> oldFile{0};
  std::atomic<int> seen{0};
  std::string exposed;
  std::thread watcher([&] {
    while (!done) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator(dir_, ec)) {
        const std::string name = e.path().filename();
        if (name.rfind(".f.tmp", 0) != 0) continue;
        struct stat st;
        if (::lstat(e.path().c_str(), &st) != 0 || st.st_ino == oldFile) continue;
        ++seen;
        if ((st.st_mode & 077) != 0 && static_cast<size_t>(st.st_size) < data.size() && exposed.empty()) {
          exposed = std::to_string(st.st_size) + " bytes readable by others";
        }
      }
    }
  });
  for (int i = 0; i < 4 && exposed.empty(); ++i) {
    struct stat st;
    ASSERT_EQ(::stat(path("f").c_str(), &st), 0);
    oldFile = st.st_ino;
    EXPECT_EQ(qv_platform::replaceFileAtomically(path("f"), data, ReplaceMode::ReplaceExisting),
              ReplaceResult::Replaced);
  }
  done = true;
  watcher.join();
  ::umask(saved);
  EXPECT_EQ(exposed, "");
  EXPECT_GT(seen.load(), 0) << "the watcher never saw the temporary file";
  EXPECT_EQ(modeOf(path("f")), 0644u);
}

}  // namespace
