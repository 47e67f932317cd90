// The installed layout, tried as a new user would: install into a fresh
// prefix, run the installed programs, and see that they find the extension
// module in that prefix (not where the build was configured to install), also
// after the whole prefix has been moved elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "testsupport/server_tree.h"

namespace {

namespace fs = std::filesystem;

class InstalledLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    prefix = tree.path("prefix");
    const qvtest::RunResult r =
        tree.runProgram(QV_CMAKE_COMMAND, {"--install", qvtest::buildDir(), "--prefix", prefix});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
  }

  // Runs an installed program of `root`'s bin/ in the server tree's cgi/.
  qvtest::RunResult run(const std::string& root, const std::string& program,
                        const std::vector<std::string>& args) const {
    return tree.runProgram(root + "/bin/" + program, args, program);
  }

  qvtest::ServerTree tree;
  std::string prefix;
};

TEST_F(InstalledLayout, ProgramsAndTheModuleAreInstalled) {
  for (const char* program : {"qv-searchcontrol", "qv-configcheck", "qv-enginesim", "qv-genresults"}) {
    EXPECT_TRUE(fs::is_regular_file(prefix + "/bin/" + program)) << program;
  }
  EXPECT_TRUE(fs::is_regular_file(prefix + "/bin/" + QV_EXT_RELATIVE_DIR + "/libqv-ext.so"));
  // The module is not beside the installed programs: it is found in lib/.
  EXPECT_FALSE(fs::exists(prefix + "/bin/libqv-ext.so"));
}

TEST_F(InstalledLayout, ConfigCheckLoadsTheModuleOfItsOwnPrefixWhereverThatIs) {
  // A remote configuration needs the HTTP client of the module. Port 9 of
  // this machine refuses, so the answer is the connection failure, which only
  // the loaded module can give.
  qvtest::RunResult r = run(prefix, "qv-configcheck", {"http://127.0.0.1:9/"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_EQ(r.out.find("cannot load the extension module"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("error 0x904 "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Couldn't connect to server"), std::string::npos) << r.out;

  const std::string moved = tree.path("elsewhere");
  fs::rename(prefix, moved);
  r = run(moved, "qv-configcheck", {"http://127.0.0.1:9/"});
  EXPECT_EQ(r.out.find("cannot load the extension module"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Couldn't connect to server"), std::string::npos) << r.out;

  // Without the module the program says where it looked: beside itself and
  // in its own prefix.
  fs::remove(moved + "/bin/" + QV_EXT_RELATIVE_DIR + "/libqv-ext.so");
  r = run(moved, "qv-configcheck", {"http://127.0.0.1:9/"});
  EXPECT_NE(r.out.find("cannot load the extension module: " + moved + "/bin/libqv-ext.so"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find(moved + "/bin/" + QV_EXT_RELATIVE_DIR + "/libqv-ext.so"), std::string::npos) << r.out;
}

TEST_F(InstalledLayout, InstalledToolsRun) {
  qvtest::RunResult r = run(prefix, "qv-searchcontrol", {"--version"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_FALSE(r.out.empty());

  r = run(prefix, "qv-enginesim", {"--control", tree.path("data/sim.control"), "create", "1"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_TRUE(fs::is_regular_file(tree.path("data/sim.control")));

  r = run(prefix, "qv-genresults", {"--queries", "3", "--output", tree.path("data/F1.dat")});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_GT(fs::file_size(tree.path("data/F1.dat")), 0u);
}

}  // namespace
