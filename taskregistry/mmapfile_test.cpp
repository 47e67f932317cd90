// Mapped files: open flags, shared bytes, window moves, pinning, and the
// status protocol of the memory-locking program (with a stand-in program).
#include "taskregistry/mmapfile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/file_utilities.h"
#include "errors/engine_error.h"
#include "errors/engine_settings.h"
#include "testsupport/sanitizer.h"
#include "testsupport/server_tree.h"

namespace {

class MmapFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv_engine_settings s;
    s.errorLogFile = tree.path("logs/errorlog.txt");
    s.monitorLogFile = tree.path("logs/monitor.log");
    s.ipcLogFile = tree.path("logs/IPC.log");
    setEngineSettings(s);
  }
  void TearDown() override { setEngineSettings(qv_engine_settings()); }

  // A file of `size` bytes where byte i is i % 251.
  std::string makeFile(const std::string& relative, size_t size) {
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i % 251);
    tree.write(relative, data);
    return tree.path(relative);
  }
  std::string errorLog() const { return tree.read("logs/errorlog.txt"); }

  qvtest::ServerTree tree;
};

TEST_F(MmapFileTest, MissingFileGives47AndReportsOnlyWhenAsked) {
  qv_memmapfile m;
  int code = -1;
  EXPECT_FALSE(m.open(tree.path("data/none.control"), true, code, 0, 0, 0, false));
  EXPECT_EQ(code, ERR_FAILED_TO_OPEN_MMAP_FILE);
  EXPECT_EQ(errorLog(), "");
  EXPECT_FALSE(m.open(tree.path("data/none.control"), true, code, 0, 0, 0, true));
  EXPECT_EQ(code, ERR_FAILED_TO_OPEN_MMAP_FILE);
  EXPECT_NE(errorLog().find("   - Failed to open memory mapped file " + tree.path("data/none.control") +
                            ". Error: No such file or directory\n"),
            std::string::npos);
}

TEST_F(MmapFileTest, EmptyFilesCannotBeMapped) {
  tree.write("data/empty", "");
  qv_memmapfile m;
  int code = 0;
  EXPECT_FALSE(m.open(tree.path("data/empty"), true, code, 0, 0, 0, false));
  EXPECT_EQ(code, ERR_FAILED_TO_CREATE_MMAP_1);
  EXPECT_FALSE(m.open(tree.path("data/empty"), false, code, QV_MMAP_CREATE, 0, 0, false));
  EXPECT_EQ(code, ERR_FAILED_TO_CREATE_MMAP);
  EXPECT_EQ(errorLog(), "");
  m.close();
}

TEST_F(MmapFileTest, ExistingMappingIsTheFileSharedByEveryOpener) {
  std::string path = makeFile("data/tarnel.control", 10000);
  qv_memmapfile writer, reader;
  int code = -1;
  ASSERT_TRUE(writer.open(path, false, code, 0, 0, 0, false));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(writer.isWholeFile());
  EXPECT_EQ(writer.getFileSize(), 10000u);
  ASSERT_TRUE(reader.open(path, true, code, 0, 0, 0, false));
  char* w = writer.pointer(9000, 4);
  const char* r = reader.pointer(9000, 4);
  ASSERT_NE(w, nullptr);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r[1], static_cast<char>(9001 % 251));
  std::memcpy(w, "JOB!", 4);
  EXPECT_EQ(std::string(r, 4), "JOB!");
  writer.close();
  EXPECT_EQ(tree.read("data/tarnel.control").substr(9000, 4), "JOB!");
  EXPECT_EQ(reader.pointer(10000, 1), nullptr);  // past the end
}

TEST_F(MmapFileTest, BackslashesNameADifferentMapping) {
  makeFile("data/tarnel.control", 100);
  qv_memmapfile m;
  int code = 0;
  const std::string windowsStyle = tree.path("data") + "\\tarnel.control";
  EXPECT_FALSE(m.open(windowsStyle, true, code, 0, 0, 0, false));
  EXPECT_EQ(code, ERR_FAILED_TO_OPEN_MMAP_FILE);
  ASSERT_TRUE(m.open(tree.path("data/tarnel.control"), true, code, 0, 0, 0, false));
  m.close();
  // A name with backslashes is a file of its own here; its mapping name
  // turns them into "~".
  makeFile("data/a\\b", 10);
  qv_memmapfile named;
  ASSERT_TRUE(named.open(tree.path("data/a\\b"), true, code, 0, 0, 0, false));
  EXPECT_EQ(named.getMappingName(), tree.path("data/a~b"));
  qv_memmapfile slashes;
  ASSERT_TRUE(slashes.open(tree.path("data/tarnel.control"), true, code, 0, 0, 0, false));
  EXPECT_EQ(slashes.getMappingName().find('~'), std::string::npos);
}

TEST_F(MmapFileTest, WindowMovesOnlyWhenTheRangeLeavesIt) {
  qv_memmapfile m;
  const uint64_t page = m.getGranularity();
  const uint64_t size = 6 * page + 100;
  std::string path = makeFile("data/big", size);
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_NO_VIEW, 0, 0, false));
  EXPECT_FALSE(m.isWholeFile());
  EXPECT_EQ(m.getWindowSize(), 0u);

  const char* a = m.pointer(page + 10, 20);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(m.getWindowStart(), page);
  EXPECT_EQ(m.getWindowSize(), page);  // the minimum window
  EXPECT_EQ(a[0], static_cast<char>((page + 10) % 251));
  // Inside the window: same view.
  const char* b = m.pointer(page + 100, 50);
  EXPECT_EQ(b, a + 90);
  EXPECT_EQ(m.getWindowStart(), page);
  // Reaching past it: a new window from the boundary below the offset,
  // long enough for the whole range.
  const char* c = m.pointer(2 * page - 10, 100);
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(m.getWindowStart(), page);
  EXPECT_EQ(m.getWindowSize(), page + 90);
  EXPECT_EQ(c[99], static_cast<char>((2 * page + 89) % 251));
  const char* d = m.pointer(3 * page + 5, 4 * page);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(m.getWindowStart(), 3 * page);
  EXPECT_EQ(m.getWindowSize(), size - 3 * page);  // cut at the end of the file
  EXPECT_EQ(d[3 * page + 94 - 5], static_cast<char>((6 * page + 94) % 251));
}

TEST_F(MmapFileTest, ExtraWindowWidensTheMinimumWindow) {
  qv_memmapfile m;
  const uint64_t page = m.getGranularity();
  std::string path = makeFile("data/big", 8 * page);
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_NO_VIEW, 0, static_cast<int64_t>(2 * page), false));
  ASSERT_NE(m.pointer(5, 1), nullptr);
  EXPECT_EQ(m.getWindowStart(), 0u);
  EXPECT_EQ(m.getWindowSize(), 3 * page);
}

TEST_F(MmapFileTest, CreatedWholeMappingIsPinnedAndReleasedOnClose) {
  std::string path = makeFile("data/pinned", 3 * 4096 + 7);
  qv_memmapfile m;
  int code = -1;
  ASSERT_TRUE(m.open(path, false, code, QV_MMAP_CREATE | QV_MMAP_WHOLE_LOCK, 0, 0, true));
  EXPECT_TRUE(m.isWholeFile());
  if (m.getLockState() != QV_MMAP_LOCKED_HERE) {
    GTEST_SKIP() << "this system refuses to pin memory: " << errorLog();
  }
  EXPECT_NE(tree.read("logs/monitor.log").find(" - Locked memory for file " + path + "\n"), std::string::npos);
  EXPECT_TRUE(m.lockRange(4096, 10));
  m.close();
  EXPECT_EQ(m.getLockState(), QV_MMAP_UNLOCKED);
  EXPECT_FALSE(m.isOpen());
  EXPECT_EQ(m.getFileName(), "");
  // The object can be opened again.
  EXPECT_TRUE(m.open(path, true, code, 0, 0, 0, false));
  EXPECT_EQ(errorLog(), "");
}

TEST_F(MmapFileTest, FilesOf2GigabytesAreReportedUnlessNoViewIsMapped) {
  const std::string path = tree.path("data/huge");
  {
    qv_file f = openFile(path, "w", false);
    ASSERT_TRUE(f.truncate(int64_t{1} << 31));
  }
  qv_memmapfile m;
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_NO_VIEW, 0, 0, true));
  EXPECT_EQ(errorLog().find("too large"), std::string::npos);
  m.close();
  (void)m.open(path, true, code, 0, 0, 0, true);  // the report is what is checked
  EXPECT_NE(errorLog().find("   - The file " + path + " is too large to memory map on this system.\n"),
            std::string::npos);
}

// Runs the probe without the right to pin memory beyond its limit, with the
// soft limit (and the hard one when given) set low; the probe maps
// data/big with whole-file pinning and prints its error code and lock state.
// The address sanitizer's runtime turns mlock into a no-op that succeeds.
constexpr bool kMlockIsReal = !qvtest::kAddressSanitizer;

qvtest::RunResult mapWithoutLockRight(const qvtest::ServerTree& tree, const std::string& limits) {
  return tree.runProgram("/usr/bin/setpriv",
                         {"--bounding-set=-ipc_lock,-sys_resource", "/usr/bin/prlimit", "--memlock=" + limits,
                          qvtest::programPath("engine_report_probe"), "--map", "../data/big", "0x11"});
}

TEST_F(MmapFileTest, RefusedPinningRaisesTheSoftLimitStepByStep) {
  if (!kMlockIsReal) GTEST_SKIP() << "the address sanitizer replaces mlock";
  makeFile("data/big", 1 << 20);
  auto r = mapWithoutLockRight(tree, "65536:");
  if (r.out.find("code=") == std::string::npos) GTEST_SKIP() << "cannot drop the lock right here: " << r.err;
  EXPECT_NE(r.out.find("code=0 state=1\n"), std::string::npos) << r.out << r.err;
  EXPECT_NE(tree.read("logs/monitor.log").find(" - Locked memory for file ../data/big\n"), std::string::npos);
}

TEST_F(MmapFileTest, ALimitThatCannotBeRaisedIsReported) {
  if (!kMlockIsReal) GTEST_SKIP() << "the address sanitizer replaces mlock";
  makeFile("data/big", 1 << 20);
  auto r = mapWithoutLockRight(tree, "65536:65536");
  if (r.out.find("code=") == std::string::npos) GTEST_SKIP() << "cannot drop the lock right here: " << r.err;
  // Pinning is an extra: the mapping itself is made.
  EXPECT_NE(r.out.find("code=0 state=0\n"), std::string::npos) << r.out << r.err;
  EXPECT_NE(tree.read("logs/errorlog.txt")
                .find("   - Failed to set working set size when mapping ../data/big - (720896, 720896). "
                      "Trying to lock 1048576 bytes. Error: Operation not permitted\n"),
            std::string::npos)
      << tree.read("logs/errorlog.txt");
  EXPECT_EQ(tree.read("logs/monitor.log").find("Locked memory"), std::string::npos);
}

// ---- the memory-locking program ------------------------------------------

class LockProgramTest : public MmapFileTest {
 protected:
  std::string prepare(const std::string& mode, uint64_t size) {
    path = tree.path("data/db.fasta");
    {
      qv_file f = openFile(path, "w", false);
      EXPECT_TRUE(f.truncate(static_cast<int64_t>(size)));
    }
    if (!mode.empty()) tree.write("data/db.fasta.mode", mode);
    m.setLockProgram(qvtest::programPath("qv-lockmem-standin"));
    return path;
  }
  std::string path;
  qv_memmapfile m;
};

TEST_F(LockProgramTest, ChunkSizeBelow2MegabytesIsTakenAs512) {
  prepare("", 3 << 20);
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_LOCK_PROGRAM | QV_MMAP_WHOLE_LOCK | qvMmapChunkFlags(1)));
  EXPECT_EQ(m.getLockState(), QV_MMAP_LOCKED_BY_PROGRAM);
  EXPECT_EQ(tree.read("data/db.fasta.args"), "-f " + path + " -s 0 -l 3145728 -o 0\n");
  std::string status = tree.read("data/db.fasta.lck");
  ASSERT_EQ(status.size(), 12u);
  EXPECT_EQ(status[0], 1);
  EXPECT_EQ(status[4], 4);
  m.close();
  EXPECT_FALSE(tree.exists("data/db.fasta.lck"));
  EXPECT_EQ(errorLog(), "");
}

TEST_F(LockProgramTest, OneProgramPerChunkTheLastTakesTheRest) {
  prepare("", 5 << 20);
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_LOCK_PROGRAM | QV_MMAP_WHOLE_LOCK | qvMmapChunkFlags(2)));
  EXPECT_EQ(m.getLockState(), QV_MMAP_LOCKED_BY_PROGRAM);
  EXPECT_EQ(tree.read("data/db.fasta.args"), "-f " + path + " -s 0 -l 2097152 -o 0\n" +  //
                                                 "-f " + path + " -s 2097152 -l 2097152 -o 1\n" + "-f " + path +
                                                 " -s 4194304 -l 1048576 -o 2\n");
  EXPECT_EQ(tree.read("data/db.fasta.lck").size(), 36u);
  m.close();
  EXPECT_FALSE(tree.exists("data/db.fasta.lck"));
  EXPECT_EQ(errorLog(), "");
}

TEST_F(LockProgramTest, AFailedLockLeavesNothingLocked) {
  prepare("fail", 1 << 20);
  int code = -1;
  EXPECT_TRUE(m.open(path, true, code, QV_MMAP_LOCK_PROGRAM | QV_MMAP_WHOLE_LOCK));
  EXPECT_EQ(m.getLockState(), QV_MMAP_UNLOCKED);
  EXPECT_FALSE(tree.exists("data/db.fasta.lck"));
  EXPECT_EQ(errorLog(), "");
}

TEST_F(LockProgramTest, AProgramThatNeverAnswersIsReported) {
  prepare("silent", 1 << 20);
  m.setLockProgramWaits(1, 1, 1);
  int code = -1;
  EXPECT_TRUE(m.open(path, true, code, QV_MMAP_LOCK_PROGRAM | QV_MMAP_WHOLE_LOCK));
  EXPECT_EQ(m.getLockState(), QV_MMAP_UNLOCKED);
  EXPECT_NE(errorLog().find("   - Cannot spawn '" + qvtest::programPath("qv-lockmem-standin") +
                            "' - error code 'no answer'\n"),
            std::string::npos)
      << errorLog();
  EXPECT_FALSE(tree.exists("data/db.fasta.lck"));
}

TEST_F(LockProgramTest, AReleaseThatIsNotConfirmedIsReported) {
  prepare("norelease", 1 << 20);
  m.setLockProgramWaits(10, 60, 1);
  int code = -1;
  ASSERT_TRUE(m.open(path, true, code, QV_MMAP_LOCK_PROGRAM | QV_MMAP_WHOLE_LOCK));
  EXPECT_EQ(m.getLockState(), QV_MMAP_LOCKED_BY_PROGRAM);
  m.close();
  EXPECT_NE(errorLog().find("   - Failed to get info back from qv-lockmem. Continuing...\n"), std::string::npos);
  EXPECT_FALSE(tree.exists("data/db.fasta.lck"));
}

}  // namespace
