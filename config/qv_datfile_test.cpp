// The configuration object: finding the file, dispatching sections, comment
// blocks, line limits, the status page and the cluster node switch.
#include "config/qv_datfile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/extension.h"
#include "testsupport/server_tree.h"

namespace {

// Runs the test inside the cgi/ directory of a fresh server tree, so that the
// default relative place "../config/tarnel.dat" is the tree's.
class Datfile : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(tree.cgi());
  }
  void TearDown() override { std::filesystem::current_path(previous_); }

  qv_datfile read(const std::string& text) {
    tree.write("config/tarnel.dat", text);
    qv_datfile d;
    d.readFile();
    return d;
  }

  qvtest::ServerTree tree;

 private:
  std::filesystem::path previous_;
};

TEST_F(Datfile, NoFileInTheDefaultPlaces) {
  qv_datfile d;
  d.setTimeout(0);  // still tests each place once
  d.readFile();
  EXPECT_FALSE(d.isValid());
  ASSERT_EQ(d.getNumberOfErrors(), 1);
  EXPECT_EQ(d.getLastError(), 0x601);
  EXPECT_EQ(d.getErrorString(1),
            "Cannot find file 'tarnel.dat'. It contains the most important configuration parameters");
  EXPECT_EQ(d.getFileName(), "");
  EXPECT_EQ(d.getOptions().getErrorLogFile(), "../logs/errorlog.txt");
}

TEST_F(Datfile, TimeoutZeroFindsTheRelativePlace) {
  qv_datfile d = read("Options\nMaxQueries 50\nend\n");
  EXPECT_TRUE(d.isValid());
  EXPECT_EQ(d.getFileName(), "../config/tarnel.dat");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 50);
}

TEST_F(Datfile, NamedFilesAndShortNames) {
  tree.write("data/my.dat", "Options\nMaxQueries 60\nend\n");
  qv_datfile d;
  d.setFileName(tree.path("data/my.dat"));
  d.readFile();
  EXPECT_EQ(d.getOptions().getMaxQueries(), 60);
  EXPECT_EQ(d.getFileName(), tree.path("data/my.dat"));
  // A name of fewer than four characters is opened as it stands.
  qv_datfile s;
  s.setFileName("abc");
  s.setTimeout(5);
  s.readFile();
  EXPECT_EQ(s.getLastError(), 0x100);
  EXPECT_EQ(s.getErrorString(1), "Failed to open file abc for r");
  // A directory cannot be read as the file.
  qv_datfile dir;
  dir.setFileName(tree.path("config"));
  dir.readFile();
  EXPECT_EQ(dir.getLastError(), 0x100);
}

TEST_F(Datfile, HeadersMatchWithoutCaseOverTheNameLength) {
  qv_datfile d = read("options\nMaxQueries 50\nend\nOptionsExtra\nMaxDescriptionLen 70\nend\nclusterXYZ\nEnabled 1\nEND\n");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 50);
  EXPECT_EQ(d.getOptions().getMaxDescriptionLen(), 70);
  EXPECT_TRUE(d.getCluster().isEnabled());
  EXPECT_TRUE(d.getOptions().isSectionAvailable());
  EXPECT_TRUE(d.getCluster().isSectionAvailable());
}

TEST_F(Datfile, UnknownHeadersAndTheFilesSectionAreDropped) {
  qv_datfile d = read("Nonsense\nFiles\nOptions\nMaxQueries 50\nEND\nend\nOptions\nMaxQueries 70\nend\n");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 70);
  EXPECT_EQ(d.getNumberOfErrors(), 0);
  EXPECT_STREQ(qv_datfile::kModFile, "../config/mod_file");
}

TEST_F(Datfile, FilesSectionClosedByUpperCaseEndEndsThere) {
  qv_datfile d = read("Files\nsomething\nEND\nOptions\nMaxQueries 70\nend\n");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 70);
  EXPECT_EQ(d.getNumberOfErrors(), 0);
}

TEST_F(Datfile, PipeAsTheConfigurationIsRefusedWithoutWaiting) {
  ASSERT_EQ(::mkfifo(tree.path("config/tarnel.dat").c_str(), 0600), 0);
  qv_datfile d;
  d.readFile();  // would wait for a writer for ever if the pipe were opened for reading
  EXPECT_FALSE(d.isValid());
  EXPECT_EQ(d.getErrors().getErrorNumber(1), 0x100);
}

TEST_F(Datfile, CommentBlocks) {
  qv_datfile d = read("# first\n\nOptions\nend\n# between\n#   two\nCluster\nend\n# tail\n");
  const auto& blocks = d.getCommentBlocks();
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[0], "# first\n\n");
  EXPECT_EQ(blocks[1], "# between\n#   two\n");
  EXPECT_EQ(blocks[2], "# tail\n");
  qv_datfile none = read("Options\nend\n");
  ASSERT_EQ(none.getCommentBlocks().size(), 1u);
  EXPECT_EQ(none.getCommentBlocks()[0], "");
}

TEST_F(Datfile, StatusPageInsteadOfTheFile) {
  qv_datfile d = read("<BODY><H1>Tarnel search status page</H1> not running\nOptions\nMaxQueries 50\nend\n");
  EXPECT_FALSE(d.isValid());
  EXPECT_EQ(d.getLastError(), 0x903);
  EXPECT_FALSE(d.getOptions().isSectionAvailable());
  EXPECT_EQ(d.getOptions().getMaxQueries(), 10000);
}

TEST_F(Datfile, OverlongTopLevelLineEndsTheReading) {
  qv_datfile d = read("Options\nMaxQueries 50\nend\n" + std::string(1200, '#') + "\nCluster\nEnabled 1\nend\n");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 50);
  EXPECT_FALSE(d.getCluster().isSectionAvailable());
  EXPECT_TRUE(d.isValid());
  // 998 characters are still a line; inside a section 999 are.
  qv_datfile ok = read(std::string(998, '#') + "\nOptions\nMaxDescriptionLen 5" + std::string(980, ' ') +
                       "\nMaxQueries 50\nend\n");
  EXPECT_EQ(ok.getOptions().getMaxDescriptionLen(), 5);
  EXPECT_EQ(ok.getOptions().getMaxQueries(), 50);
  qv_datfile cut = read("Options\nMaxDescriptionLen 5" + std::string(981, ' ') + "\nMaxQueries 50\nend\n");
  EXPECT_EQ(cut.getOptions().getMaxDescriptionLen(), 5);
  EXPECT_EQ(cut.getOptions().getMaxQueries(), 10000);
}

TEST_F(Datfile, MissingEndAndHeaderAtTheEnd) {
  qv_datfile d = read("Options\nMaxQueries 50\nCluster\nEnabled 1");
  EXPECT_EQ(d.getOptions().getMaxQueries(), 50);
  EXPECT_FALSE(d.getCluster().isSectionAvailable());  // read as an Options line
  qv_datfile h = read("Options\nend\nCluster");
  EXPECT_TRUE(h.getCluster().isSectionAvailable());
  EXPECT_TRUE(h.isValid());
}

TEST_F(Datfile, ClusterNodeSwitchThroughIamDat) {
  const std::string text = "Options\nTarnelControlFile ../data/master.ctl\nTarnelNodeControlFile ../data/node.ctl\nend\n";
  tree.write("config/iam.dat", " 0\n");
  EXPECT_EQ(read(text + "Cluster\nEnabled 1\nend\n").getOptions().getTarnelControlFile(), "../data/node.ctl");
  EXPECT_EQ(read(text + "Cluster\nEnabled 0\nend\n").getOptions().getTarnelControlFile(), "../data/master.ctl");
  tree.write("config/iam.dat", "1\n");
  EXPECT_EQ(read(text + "Cluster\nEnabled 1\nend\n").getOptions().getTarnelControlFile(), "../data/master.ctl");
  tree.write("config/iam.dat", "node\n");
  EXPECT_EQ(read(text + "Cluster\nEnabled 1\nend\n").getOptions().getTarnelControlFile(), "../data/master.ctl");
  std::filesystem::remove(tree.path("config/iam.dat"));
  qv_datfile absent = read(text + "Cluster\nEnabled 1\nend\n");
  EXPECT_EQ(absent.getOptions().getTarnelControlFile(), "../data/master.ctl");
  EXPECT_EQ(absent.getNumberOfErrors(), 0);
  std::filesystem::create_directory(tree.path("config/iam.dat"));
  qv_datfile unreadable = read(text + "Cluster\nEnabled 1\nend\n");
  EXPECT_EQ(unreadable.getLastError(), 0x100);
  EXPECT_FALSE(unreadable.isValid());
}

// iam.dat is read like every other leading integer of the configuration:
// the spellings of zero switch to the node control file, and text that is
// not a number (a sign followed by another sign) does not.
TEST_F(Datfile, ClusterNodeSwitchReadsTheLeadingIntegerStrictly) {
  const std::string text = "Options\nTarnelControlFile ../data/master.ctl\nTarnelNodeControlFile ../data/node.ctl\n"
                           "end\nCluster\nEnabled 1\nend\n";
  for (const char* zero : {"0", "+0", "-0", "\t\n 000 1\n", "0node\n", "00000000000000000000000\n"}) {
    tree.write("config/iam.dat", zero);
    EXPECT_EQ(read(text).getOptions().getTarnelControlFile(), "../data/node.ctl") << zero;
  }
  for (const char* other : {"+-0\n", "-+0\n", "++0\n", "--0\n", "+ 0\n", "99999999999999999999\n", "-1\n", ""}) {
    tree.write("config/iam.dat", other);
    qv_datfile d = read(text);
    EXPECT_EQ(d.getOptions().getTarnelControlFile(), "../data/master.ctl") << other;
    EXPECT_EQ(d.getNumberOfErrors(), 0) << other;
  }
}

TEST_F(Datfile, ReadingAgainStartsAfresh) {
  tree.write("config/tarnel.dat", "Options\nMailTransport 9\nMaxQueries 50\nend\n# c\n");
  qv_datfile d;
  d.readFile();
  tree.write("config/tarnel.dat", "Options\nend\n");
  d.readFile();
  EXPECT_EQ(d.getNumberOfErrors(), 0);
  EXPECT_EQ(d.getOptions().getMaxQueries(), 10000);
  EXPECT_EQ(d.getCommentBlocks().size(), 1u);
}

TEST_F(Datfile, BinaryAndHugeInputGiveDefaults) {
  std::string junk;
  for (int i = 0; i < 5000; ++i) junk += static_cast<char>((i * 7919) % 256);
  qv_datfile d = read(junk);
  EXPECT_EQ(d.getOptions().getMaxQueries(), 10000);
  // A line of megabytes: only its first characters are read.
  qv_datfile big = read("Options\nMaxQueries 50\n" + std::string(4 << 20, 'x'));
  EXPECT_EQ(big.getOptions().getMaxQueries(), 50);
}

TEST_F(Datfile, FilesBeyond64MiBAreCutWithAWarning) {
  std::string text = "Options\nMaxQueries 50\nend\n";
  const std::string comment = "# " + std::string(61, 'c') + "\n";
  while (text.size() <= (64u << 20)) text += comment;
  text += "Options\nMaxQueries 70\nend\n";
  qv_datfile d = read(text);
  EXPECT_EQ(d.getOptions().getMaxQueries(), 50);
  ASSERT_EQ(d.getNumberOfErrors(), 1);
  EXPECT_EQ(d.getErrorString(1),
            "Invalid line in ../config/tarnel.dat file starting with: (the file is larger than 64 MiB; the rest is not "
            "read)");
  EXPECT_TRUE(d.isValid());
}

TEST_F(Datfile, SectionReadersOfTheOtherSectionsAreCalled) {
  qv_datfile d = read(
      "PARSE\nRULE_1  \"^>\\([^ ]*\\)\"\nRULE_2 \"^>[^ ]* \\(.*\\)\"\nend\n"
      "Databases\nSwissProt ../sequence/SwissProt/current/SwissProt_*.fasta AA 1234 1 1 1 1 0 0 1 2 0 0\nend\n"
      "WWW\nSwissProt_SEQ \"1\" \"localhost\" \"80\" \"/cgi/getseq.pl\"\nend\n"
      "CRON\nCronEnable 1\n0 3 * * 0 /usr/bin/true\nend\n");
  EXPECT_TRUE(d.getParseRules().isSectionAvailable());
  EXPECT_TRUE(d.getDatabases().isSectionAvailable());
  EXPECT_TRUE(d.getWWW().isSectionAvailable());
  EXPECT_TRUE(d.getCron().isSectionAvailable());
}

TEST_F(Datfile, ReadingALocalFileNeverLoadsTheExtensionModule) {
  if (qv_platform::extensionLoaded()) GTEST_SKIP() << "module loaded by an earlier test of this process";
  qv_datfile d = read("Options\nproxy_server proxy.example.org:3128\nend\n");
  EXPECT_TRUE(d.isValid());
  EXPECT_FALSE(qv_platform::extensionLoaded());
}

}  // namespace
