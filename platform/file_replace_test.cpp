// Replacing a file atomically: the temporary file's name beside a file of
// the longest name.
#include "platform/file_replace.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
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

}  // namespace
