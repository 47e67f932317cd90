// Replacing a file atomically: the temporary file's name beside a file of
// the longest name, and the modes the contents have while they are written
// and afterwards.
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
    ASSERT_TRUE(qv_platform::replaceFileAtomically(path(name), contents));
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

// The temporary file is named after the file, cut so that it fits beside a
// file of the longest name the directory takes (255 bytes here).
TEST_F(FileReplace, FilesOfEveryNameLengthUpToTheLimitAreReplaced) {
  for (size_t length : {1u, 243u, 244u, 245u, 254u, 255u}) {
    const std::string name(length, 'n');
    make(name, "old", 0600);
    std::string error;
    EXPECT_TRUE(qv_platform::replaceFileAtomically(path(name), "new", &error)) << length << " bytes: " << error;
    EXPECT_EQ(qv_platform::readWholeFile(path(name)).value_or("<none>"), "new") << length;
    EXPECT_EQ(names(), std::vector<std::string>({name})) << length;
    fs::remove(path(name));
  }
  // A name longer than any file can have is refused, and nothing is left.
  std::string error;
  EXPECT_FALSE(qv_platform::replaceFileAtomically(path(std::string(256, 'n')), "new", &error));
  EXPECT_NE(error.find("File name too long"), std::string::npos) << error;
  EXPECT_EQ(names(), std::vector<std::string>());
}

// A made file is its owner's only, whatever the umask; a replaced file keeps
// its permission bits (not set-user-ID and the like).
TEST_F(FileReplace, ModesOfMadeAndReplacedFiles) {
  const mode_t saved = ::umask(0);
  struct Case {
    mode_t before;  // 0: no file before
    mode_t after;
  };
  const Case cases[] = {{0, 0600}, {0644, 0644}, {0400, 0400}, {0640, 0640}, {0666, 0666}, {04640, 0640}};
  for (const Case& c : cases) {
    fs::remove(path("f"));
    if (c.before != 0) make("f", "old", c.before);
    EXPECT_TRUE(qv_platform::replaceFileAtomically(path("f"), "new"));
    EXPECT_EQ(modeOf(path("f")), c.after) << std::oct << "before 0" << c.before;
  }
  ::umask(saved);
}

// While a large file is written, a watcher looks at the temporary file again
// and again: until all of the contents are there, nobody but the owner may
// read it, even when the file it replaces is readable by everyone.
TEST_F(FileReplace, TheContentsAreTheOwnersOnlyUntilTheyAreComplete) {
  const mode_t saved = ::umask(0);
  make("f", "old", 0644);
  const std::string data(32 << 20, 'x');
  std::atomic<bool> done{false};
  std::atomic<int> seen{0};
  std::string exposed;
  std::thread watcher([&] {
    while (!done) {
      std::error_code ec;
      for (const auto& e : fs::directory_iterator(dir_, ec)) {
        const std::string name = e.path().filename();
        if (name.rfind(".f.tmp", 0) != 0) continue;
        struct stat st;
        if (::lstat(e.path().c_str(), &st) != 0) continue;
        ++seen;
        if ((st.st_mode & 077) != 0 && static_cast<size_t>(st.st_size) < data.size() && exposed.empty()) {
          exposed = std::to_string(st.st_size) + " bytes readable by others";
        }
      }
    }
  });
  for (int i = 0; i < 4 && exposed.empty(); ++i) {
    EXPECT_TRUE(qv_platform::replaceFileAtomically(path("f"), data));
  }
  done = true;
  watcher.join();
  ::umask(saved);
  EXPECT_EQ(exposed, "");
  EXPECT_GT(seen.load(), 0) << "the watcher never saw the temporary file";
  EXPECT_EQ(modeOf(path("f")), 0644u);
}

}  // namespace
