// openFile, the byte-range locks and the access rights of new files, with
// the reports of their failures.
#include "errors/file_utilities.h"

#include <acl/libacl.h>
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/acl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "errors/engine_settings.h"
#include "testsupport/server_tree.h"

namespace {

class FileUtilTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv_engine_settings s;
    s.errorLogFile = tree.path("logs/errorlog.txt");
    setEngineSettings(s);
  }
  void TearDown() override { setEngineSettings(qv_engine_settings()); }
  std::string errorLog() const { return tree.read("logs/errorlog.txt"); }

  qvtest::ServerTree tree;
};

// The lock type another open file description would meet on the range.
short lockSeenFromElsewhere(const std::string& path, off_t start, off_t len) {
  int fd = ::open(path.c_str(), O_RDWR);
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = start;
  fl.l_len = len;
  int rc = ::fcntl(fd, F_OFD_GETLK, &fl);
  ::close(fd);
  return rc == 0 ? fl.l_type : -1;
}

TEST_F(FileUtilTest, OpenFileModes) {
  const std::string path = tree.path("data/f.txt");
  {
    qv_file f = openFile(path, "w", true);
    ASSERT_TRUE(f.isOpen());
    ASSERT_TRUE(f.write("first\n"));
  }
  {
    qv_file f = openFile(path, "a+t", true);
    ASSERT_TRUE(f.seek(0));
    ASSERT_TRUE(f.write("second\n"));  // append mode writes at the end
    ASSERT_TRUE(f.seek(0));
    EXPECT_EQ(f.readRest().value_or(""), "first\nsecond\n");
    EXPECT_EQ(f.size(), 13);
  }
  {
    qv_file f = openFile(path, "rb+", true);
    ASSERT_TRUE(f.writeAt(0, "FIRST"));
    char buf[6] = {};
    EXPECT_EQ(f.readAt(6, buf, 6), 6);
    EXPECT_EQ(std::string(buf, 6), "second");
    EXPECT_EQ(f.tell(), 0);
  }
  EXPECT_EQ(tree.read("data/f.txt"), "FIRST\nsecond\n");
  {
    qv_file f = openFile(path, "w", true);  // truncates
  }
  EXPECT_EQ(tree.read("data/f.txt"), "");
  EXPECT_FALSE(openFile(path, "x", false).isOpen());
  EXPECT_FALSE(openFile(path, "", false).isOpen());
  EXPECT_EQ(errorLog(), "");
}

TEST_F(FileUtilTest, FailedOpenIsReportedOnlyWhenAskedAndEndsTheProcess) {
  const std::string path = tree.path("data/missing.txt");
  EXPECT_FALSE(openFile(path, "r", false).isOpen());
  EXPECT_EQ(errorLog(), "");
  // Engine error 12 is of a fatal category: the process ends with status 12.
  EXPECT_EXIT((void)openFile(path, "r", true), ::testing::ExitedWithCode(12), "");
  EXPECT_NE(errorLog().find("   - Can't open " + path + " for \"r\". Error No such file or directory\n\n"),
            std::string::npos)
      << errorLog();
}

TEST_F(FileUtilTest, LockIsSeenByOtherDescriptionsAndReleased) {
  const std::string path = tree.path("data/task.txt");
  tree.write("data/task.txt", "0123456789");
  qv_file f = openFile(path, "r+", false);
  ASSERT_TRUE(f.seek(7));
  ASSERT_EQ(lockRegion(f.descriptor(), 0, 4, false), 0);
  EXPECT_EQ(f.tell(), 7);  // the position is kept
  EXPECT_EQ(lockSeenFromElsewhere(path, 0, 4), F_WRLCK);
  EXPECT_EQ(lockSeenFromElsewhere(path, 4, 6), F_UNLCK);
  EXPECT_EQ(unlockRegion(f.descriptor(), 0, 4), 0);
  EXPECT_EQ(lockSeenFromElsewhere(path, 0, 4), F_UNLCK);
  EXPECT_EQ(errorLog(), "");
}

TEST_F(FileUtilTest, LockSurvivesClosingAnotherDescriptorOfTheSameFile) {
  const std::string path = tree.path("data/task.txt");
  tree.write("data/task.txt", "0123456789");
  qv_file holder = openFile(path, "r+", false);
  ASSERT_EQ(lockRegion(holder.descriptor(), 0, 4, false), 0);
  {
    qv_file other = openFile(path, "r", false);
    ASSERT_TRUE(other.isOpen());
    EXPECT_TRUE(other.close());  // a per-process lock would be dropped here
  }
  EXPECT_EQ(lockSeenFromElsewhere(path, 0, 4), F_WRLCK);
  EXPECT_EQ(unlockRegion(holder.descriptor(), 0, 4), 0);
}

TEST_F(FileUtilTest, LockWaitsForTheHolderToLetGo) {
  const std::string path = tree.path("data/task.txt");
  tree.write("data/task.txt", "0123456789");
  qv_file holder = openFile(path, "r+", false);
  ASSERT_EQ(lockRegion(holder.descriptor(), 0, 4, false), 0);
  std::atomic<bool> released{false};
  std::thread letGo([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    released = true;
    (void)unlockRegion(holder.descriptor(), 0, 4);
  });
  qv_file waiter = openFile(path, "a+", false);
  EXPECT_EQ(lockRegion(waiter.descriptor(), 0, 4, false), 0);
  EXPECT_TRUE(released.load());
  letGo.join();
  EXPECT_EQ(unlockRegion(waiter.descriptor(), 0, 4), 0);
  // A read-only description takes a shared lock.
  qv_file reader = openFile(path, "r", false);
  EXPECT_EQ(lockRegion(reader.descriptor(), 0, 4, false), 0);
  EXPECT_EQ(lockSeenFromElsewhere(path, 0, 4), F_RDLCK);
  EXPECT_EQ(errorLog(), "");
}

TEST_F(FileUtilTest, LockFailuresAreReportedUnlessQuiet) {
  EXPECT_EQ(lockRegion(-1, 0, 4, true), -1);
  EXPECT_EQ(errorLog(), "");
  EXPECT_EQ(lockRegion(-1, 0, 4, false), -1);
  EXPECT_NE(errorLog().find("   - Failed to lock file descriptor -1- error  Bad file descriptor\n"), std::string::npos)
      << errorLog();
  EXPECT_EQ(unlockRegion(-1, 0, 4), -1);
  EXPECT_NE(errorLog().rfind("Failed to lock file descriptor -1- error  Invalid argument"), std::string::npos);
}

// ---- access rights ---------------------------------------------------------

// Two groups that exist on this system, or empty strings.
std::pair<std::string, std::string> twoGroups() {
  std::string found[2];
  int n = 0;
  for (const char* name : {"adm", "mail", "users", "staff", "daemon", "bin", "sys"}) {
    if (n < 2 && ::getgrnam(name) != nullptr) found[n++] = name;
  }
  return {found[0], found[1]};
}

// The permissions that `acl` gives group `name`, as "rwx" letters; "" when no entry.
std::string groupEntry(acl_t acl, const std::string& name) {
  gid_t gid = ::getgrnam(name.c_str())->gr_gid;
  acl_entry_t e;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(acl, which, &e) == 1; which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    acl_get_tag_type(e, &tag);
    if (tag != ACL_GROUP) continue;
    auto* q = static_cast<gid_t*>(acl_get_qualifier(e));
    bool same = *q == gid;
    acl_free(q);
    if (!same) continue;
    acl_permset_t p;
    acl_get_permset(e, &p);
    std::string out;
    if (acl_get_perm(p, ACL_READ) == 1) out += 'r';
    if (acl_get_perm(p, ACL_WRITE) == 1) out += 'w';
    if (acl_get_perm(p, ACL_EXECUTE) == 1) out += 'x';
    return out;
  }
  return "";
}

std::string entryOf(const std::string& path, acl_type_t type, const std::string& group) {
  acl_t acl = acl_get_file(path.c_str(), type);
  if (acl == nullptr) return "(no list)";
  std::string out = groupEntry(acl, group);
  acl_free(acl);
  return out;
}

TEST_F(FileUtilTest, GroupsGetFullAccessInheritedByNewEntries) {
  auto [g1, g2] = twoGroups();
  if (g2.empty()) GTEST_SKIP() << "needs two groups on this system";
  const std::string dir = tree.path("data/20261206");
  ASSERT_EQ(::mkdir(dir.c_str(), 0555), 0);
  qv_access_outcome out = setAccessRightsQuiet(dir, g1, g2);
  if (out.usedGroupOwnership) GTEST_SKIP() << "the temporary folder has no access lists";
  EXPECT_EQ(out.code, QV_ACCESS_DONE);
  struct stat st;
  ASSERT_EQ(::stat(dir.c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IWUSR);
  EXPECT_EQ(entryOf(dir, ACL_TYPE_ACCESS, g1), "rwx");
  EXPECT_EQ(entryOf(dir, ACL_TYPE_ACCESS, g2), "rwx");
  EXPECT_EQ(entryOf(dir, ACL_TYPE_DEFAULT, g1), "rwx");
  EXPECT_EQ(entryOf(dir, ACL_TYPE_DEFAULT, g2), "rwx");
  // What is created inside inherits the entries.
  tree.write("data/20261206/task.txt", "x");
  EXPECT_EQ(entryOf(dir + "/task.txt", ACL_TYPE_ACCESS, g1).substr(0, 2), "rw");
  // A second call neither fails nor duplicates the entries.
  EXPECT_EQ(setAccessRightsQuiet(dir, g1, g2).code, QV_ACCESS_DONE);
  acl_t acl = acl_get_file(dir.c_str(), ACL_TYPE_ACCESS);
  EXPECT_EQ(acl_entries(acl), 6);  // owner, group, two groups, mask, other
  acl_free(acl);
}

TEST_F(FileUtilTest, GroupsThatDoNotExistAreSkipped) {
  tree.write("data/f.txt", "x");
  const std::string path = tree.path("data/f.txt");
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  qv_access_outcome out = setAccessRightsQuiet(path, "Guests", "Administrators");
  EXPECT_EQ(out.code, QV_ACCESS_DONE);
  EXPECT_FALSE(out.usedGroupOwnership);
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
  int equivalent = -1;
  acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  if (acl != nullptr) {
    equivalent = acl_equiv_mode(acl, nullptr);
    acl_free(acl);
    EXPECT_EQ(equivalent, 0);  // no extra entries
  }
  // Through the reporting wrapper with the default groups: nothing reported.
  EXPECT_EQ(setAccessRights(path), QV_ACCESS_DONE);
  EXPECT_EQ(errorLog(), "");
}

TEST_F(FileUtilTest, FailuresAreReportedExceptForTheErrorLogItself) {
  const std::string missing = tree.path("data/none");
  EXPECT_EQ(setAccessRightsQuiet(missing, "adm", "").code, QV_ACCESS_NOT_WRITABLE);
  EXPECT_EQ(setAccessRights(missing), QV_ACCESS_NOT_WRITABLE);
  EXPECT_NE(
      errorLog().find("   - Failed to set permissions for file (" + missing + "). Error: No such file or directory\n"),
      std::string::npos)
      << errorLog();
  qv_engine_settings s = getEngineSettings();
  s.errorLogFile = missing;
  setEngineSettings(s);
  EXPECT_EQ(setAccessRights(missing), QV_ACCESS_NOT_WRITABLE);
  EXPECT_FALSE(tree.exists("data/none"));  // no report was written into it
}

TEST_F(FileUtilTest, WithoutAccessListsTheFirstGroupOwnsTheObject) {
  auto [g1, g2] = twoGroups();
  if (g1.empty()) GTEST_SKIP() << "needs a group on this system";
  const std::string mnt = tree.path("noacl");
  ASSERT_EQ(::mkdir(mnt.c_str(), 0755), 0);
  // ramfs keeps no access lists.
  if (::mount("none", mnt.c_str(), "ramfs", 0, nullptr) != 0) {
    GTEST_SKIP() << "cannot mount a file system without access lists here (needs root)";
  }
  const std::string dir = mnt + "/day";
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  qv_access_outcome out = setAccessRightsQuiet(dir, "NoSuchGroupHere", g1);
  struct stat st {};
  ::stat(dir.c_str(), &st);
  ::umount(mnt.c_str());
  EXPECT_EQ(out.code, QV_ACCESS_DONE);
  EXPECT_TRUE(out.usedGroupOwnership);
  EXPECT_EQ(st.st_gid, ::getgrnam(g1.c_str())->gr_gid);
  EXPECT_EQ(st.st_mode & (S_IRWXG | S_ISGID), static_cast<mode_t>(S_IRWXG | S_ISGID));
  EXPECT_EQ(st.st_mode & S_IRWXU, static_cast<mode_t>(S_IRWXU));
}

}  // namespace
