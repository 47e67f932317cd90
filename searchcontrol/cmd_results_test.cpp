// --results, --result_file_ini and --result_file_mime end to end: golden
// text reports of small generated files (both search types, both dialects,
// both report types), the configuration's values, files that cannot be
// read, byte-exact copies, and a reader that sees the report's first lines
// while the summary is still being built. Set QV_UPDATE_GOLDEN=1 to rewrite
// the golden files after a deliberate change (then read the difference).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

std::string goldenPath(const std::string& name) { return qvtest::sourceDir() + "/reports/testdata/" + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class ResultsCommands : public ::testing::Test {
 protected:
  // Generates data/<name> with qv-genresults `options` (small by default).
  void generate(const std::string& name, std::vector<std::string> options) {
    const std::vector<std::pair<std::string, std::string>> small = {
        {"--queries", "3"}, {"--peaks", "4"}, {"--ranks", "2"}, {"--proteins", "4"}, {"--hits", "2"}};
    for (const auto& [option, value] : small) {
      if (std::find(options.begin(), options.end(), option) == options.end()) options.insert(options.end(), {option, value});
    }
    options.insert(options.end(), {"--output", t_.path("data/" + name)});
    const RunResult g = t_.runProgram(qvtest::programPath("qv-genresults"), options);
    ASSERT_EQ(g.status, 0) << g.err;
  }
  // Replaces the first `from` in data/<name> by `to`.
  void edit(const std::string& name, const std::string& from, const std::string& to) {
    std::string text = t_.read("data/" + name);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    t_.write("data/" + name, text.replace(at, from.size(), to));
  }
  // The answer of `command` for a task completed with data/<name>; exit 0 and nothing on stderr.
  std::string answer(const std::string& command, const std::string& name) {
    const RunResult r = t_.ask(command, t_.completed("../data/" + name));
    EXPECT_EQ(r.status, 0) << command << " " << name << r.err;
    EXPECT_EQ(r.err, "");
    return r.out;
  }
  void expectGolden(const std::string& golden, const std::string& text) {
    if (std::getenv("QV_UPDATE_GOLDEN") != nullptr) std::ofstream(goldenPath(golden), std::ios::binary) << text;
    EXPECT_EQ(text, readFile(goldenPath(golden))) << golden;
  }
  ResultsTree t_;
};

TEST_F(ResultsCommands, TextReportsOfBothSearchTypesInBothDialects) {
  generate("F.dat", {"--type", "msms", "--dialect", "mime"});
  expectGolden("text_msms_mime_peptide.txt", answer("--results", "F.dat"));
  // The same search in the other dialect with CR LF line ends reads the same.
  generate("F.dat", {"--type", "msms", "--dialect", "bracket", "--crlf"});
  expectGolden("text_msms_mime_peptide.txt", answer("--results", "F.dat"));
  // Report type "protein": the hit from a protein summary of 50 hits, the
  // queries from a peptide summary.
  generate("F.dat", {"--type", "msms", "--dialect", "bracket"});
  edit("F.dat", "REPTYPE=peptide", "REPTYPE=protein");
  expectGolden("text_msms_bracket_protein.txt", answer("--results", "F.dat"));
  generate("F.dat", {"--type", "pmf", "--dialect", "mime"});
  expectGolden("text_pmf_mime.txt", answer("--results", "F.dat"));
  generate("F.dat", {"--type", "pmf", "--dialect", "bracket", "--crlf"});
  expectGolden("text_pmf_mime.txt", answer("--results", "F.dat"));
}

TEST_F(ResultsCommands, ReportTypeWithACapitalIsAPeptideReport) {
  generate("F.dat", {});
  const std::string lower = answer("--results", "F.dat");
  edit("F.dat", "REPTYPE=peptide", "REPTYPE=Peptide");
  EXPECT_EQ(answer("--results", "F.dat"), lower);
  ASSERT_NE(lower.find("\nreptype=peptide\n"), std::string::npos);
}

TEST_F(ResultsCommands, ConfigurationMudpitAndIonsScoreFloorReachTheSummary) {
  generate("F.dat", {});
  const std::string plain = answer("--results", "F.dat");
  EXPECT_NE(plain.find("\nh1=SYN00001,125.57,1.00,80479.2\n"), std::string::npos) << plain;
  const std::string dat = t_.read("config/tarnel.dat");
  // Three queries, more than a Mudpit value of 2: scored by the excess
  // over each peptide's threshold.
  t_.write("config/tarnel.dat", "Options\nMudpit 2\n" + dat.substr(8));
  const std::string mudpit = answer("--results", "F.dat");
  EXPECT_NE(mudpit.find("\nh1=SYN00001,83.76,1.00,80479.2\n"), std::string::npos) << mudpit;
  t_.write("config/tarnel.dat", "Options\nMudpit 3\n" + dat.substr(8));
  EXPECT_EQ(answer("--results", "F.dat"), plain);
  // A floor above every peptide's score leaves no hit.
  t_.write("config/tarnel.dat", "Options\nIgnoreIonsScoreBelow 99\n" + dat.substr(8));
  const std::string floor = answer("--results", "F.dat");
  EXPECT_NE(floor.find("\nqueries=3\nnum_hits=0\nreptype=peptide\n"), std::string::npos) << floor;
}

// The header's count of queries is printed as the file gives it; a count
// below 1 means no query sections are looked for, so apart from that line
// the report is the one of a count of 0, with nothing to warn about.
TEST_F(ResultsCommands, AHeaderCountOfQueriesBelowOneIsPrintedAsItIsRead) {
  generate("F.dat", {});
  const std::string original = t_.read("data/F.dat");
  ASSERT_NE(original.find("\nqueries=3\n"), std::string::npos);
  const auto answerFor = [&](const std::string& count) {
    t_.write("data/F.dat", original);
    edit("F.dat", "\nqueries=3\n", "\nqueries=" + count + "\n");
    return answer("--results", "F.dat");
  };
  const std::string zero = answerFor("0");
  ASSERT_NE(zero.find("\nqueries=0\n"), std::string::npos) << zero;
  EXPECT_EQ(zero.find("ionquery"), std::string::npos) << zero;
  EXPECT_EQ(zero.find("error="), std::string::npos) << zero;
  const struct {
    const char* written;
    const char* printed;
  } cases[] = {
      {"1", "1"},  // one step above: the first query is described
      {"-1", "-1"},
      {"-2", "-2"},
      {"-2147483647", "-2147483647"},
      {"-2147483648", "-2147483648"},
      {"-99999999999", "-2147483648"},  // read as a 32-bit integer
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    std::string text = answerFor(c.written);
    const std::string line = std::string("\nqueries=") + c.printed + "\n";
    const size_t at = text.find(line);
    ASSERT_NE(at, std::string::npos) << text;
    EXPECT_EQ(text.find("error="), std::string::npos) << text;
    if (std::string(c.written) == "1") {
      EXPECT_NE(text.find("\nionquery1="), std::string::npos) << text;
      continue;
    }
    EXPECT_EQ(text.replace(at, line.size(), "\nqueries=0\n"), zero);
  }
}

TEST_F(ResultsCommands, UnreadableResultsFileGivesTheErrorLineWithStatus0) {
  EXPECT_EQ(answer("--results", "missing.dat"), "error=The results file could not be opened\n");
  t_.write("data/junk.dat", "not a results file\n");
  const std::string junk = answer("--results", "junk.dat");
  EXPECT_TRUE(junk.starts_with("error=")) << junk;
  EXPECT_EQ(junk.find('\n'), junk.size() - 1) << junk;
}

TEST_F(ResultsCommands, IniRewriteOfAGeneratedFile) {
  generate("F.dat", {"--type", "pmf", "--queries", "1", "--proteins", "2", "--hits", "1"});
  const std::string ini = answer("--result_file_ini", "F.dat");
  EXPECT_TRUE(ini.starts_with("[parameters]\nLICENSE=Synthetic results for testing, not from a real search\nMP=\n"))
      << ini;
  // One section header per part, no MIME line left.
  std::string headers;
  for (size_t at = 0; at < ini.size(); at = ini.find('\n', at) + 1) {
    if (ini[at] == '[') headers += ini.substr(at, ini.find('\n', at) - at + 1);
    EXPECT_FALSE(ini.compare(at, 2, "--") == 0 || ini.compare(at, 13, "Content-Type:") == 0 || ini[at] == '\n');
  }
  const std::string file = t_.read("data/F.dat");
  size_t parts = 0;
  for (size_t at = file.find("\nContent-Type: application/x-Tarnel; name=\""); at != std::string::npos;
       at = file.find("\nContent-Type: application/x-Tarnel; name=\"", at + 1)) {
    ++parts;
  }
  EXPECT_EQ(std::count(headers.begin(), headers.end(), '\n'), static_cast<long>(parts)) << headers;
  EXPECT_TRUE(headers.starts_with("[parameters]\n[masses]\n")) << headers;
}

TEST_F(ResultsCommands, IniRewriteOfAHandWrittenFile) {
  t_.write("data/F.dat",
           "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=b\r\n\r\n--b\r\n"
           "Content-Type: application/x-Tarnel; name=\"parameters\"\r\n\r\nCOM=a\r\n--b\r\n"
           "Content-Type: text/plain\r\nkept=1\r\n--b--");
  EXPECT_EQ(answer("--result_file_ini", "F.dat"), "[parameters]\nCOM=a\nkept=1\n");
  t_.write("data/short.dat", "one\ntwo\n");
  EXPECT_EQ(answer("--result_file_ini", "short.dat"), "");
}

TEST_F(ResultsCommands, MimeCopyIsByteExact) {
  std::string bytes = "--b\r\nContent-Type: x\r\n\r\n";
  for (int i = 0; i < 3 * (1 << 20) / 256 + 7; ++i) {
    for (int c = 0; c < 256; ++c) bytes.push_back(static_cast<char>(c));
  }
  t_.write("data/F.dat", bytes);
  EXPECT_EQ(answer("--result_file_mime", "F.dat"), bytes);
  t_.write("data/empty.dat", "");
  EXPECT_EQ(answer("--result_file_mime", "empty.dat"), "");
}

TEST_F(ResultsCommands, FileThatCannotBeOpenedAnswers8WithStatus0) {
  ASSERT_EQ(t_.runProgram("/usr/bin/mkfifo", {t_.path("data/fifo.dat")}).status, 0);
  std::filesystem::create_directories(t_.path("data/dir.dat"));
  for (const std::string command : {"--result_file_mime", "--result_file_ini"}) {
    for (const std::string name : {"missing.dat", "fifo.dat", "dir.dat"}) {
      // A FIFO would hang a reader that waits for its writer: it is refused.
      EXPECT_EQ(answer(command, name), "searchcontrol-error=8\n") << command << " " << name;
    }
  }
  // The report reads only a regular file too.
  EXPECT_EQ(answer("--results", "fifo.dat"), "error=The results file could not be opened\n");
  EXPECT_EQ(answer("--results", "dir.dat"), "error=The results file could not be opened\n");
}

TEST_F(ResultsCommands, PreambleAnswersForEveryResultsCommand) {
  t_.securityOn();
  t_.session("own", 42);
  t_.session("old", 42, "", 60, 3600);
  generate("F.dat", {});
  const int64_t ofOther = t_.completed("../data/F.dat", 77);
  const int64_t ofOwn = t_.completed("../data/F.dat", 42);
  const int64_t noName = t_.create();
  for (const std::string command : {"--result_file_mime", "--result_file_ini", "--results"}) {
    RunResult r = t_.ask(command, ofOther, {"--sessionID", "old"});
    EXPECT_EQ(r.out, "searchcontrol-error=10\n") << command;
    EXPECT_EQ(r.status, 10) << command;
    r = t_.ask(command, ofOther, {"--sessionID", "own"});
    EXPECT_EQ(r.out, "searchcontrol-error=11\n") << command;
    EXPECT_EQ(r.status, 11) << command;
    r = t_.ask(command, 12345, {"--sessionID", "own"});
    EXPECT_EQ(r.out, "unknown_id\n") << command;
    EXPECT_EQ(r.status, 0) << command;
    r = t_.ask(command, noName);  // the command-line session may see it
    EXPECT_EQ(r.out, "searchcontrol-error=8\n") << command;
    EXPECT_EQ(r.status, 8) << command;
    r = t_.ask(command, ofOwn, {"--sessionID", "own"});
    EXPECT_EQ(r.status, 0) << command;
    EXPECT_GT(r.out.size(), 100u) << command;
  }
}

TEST_F(ResultsCommands, ReaderSeesTheFirstLinesBeforeTheSummaryIsBuilt) {
  // A file whose peptide summary takes a while: the first three lines are
  // flushed before the configuration is read and the summary built, so the
  // first piece a reader gets holds them and nothing after them. Were they
  // held back, they would arrive with the rest of the report.
  generate("F.dat", {"--queries", "20000", "--peaks", "5", "--ranks", "10", "--proteins", "300"});
  const int64_t id = t_.completed("../data/F.dat");
  std::string first;
  const RunResult r = t_.runWatching({"--results", "--taskID", std::to_string(id)}, [&](const std::string& soFar) {
    if (first.empty()) first = soFar;
  });
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(first, "file=../data/F.dat\nrelease=SynthDB_2026_01.fasta\nqueries=20000\n");
  EXPECT_TRUE(r.out.ends_with("selectpeptides=1\n")) << r.out.substr(r.out.size() - 200);
}

TEST_F(ResultsCommands, AnswerThatCannotBeWrittenEndsWithStatus12) {
  generate("F.dat", {});
  const int64_t id = t_.completed("../data/F.dat");
  for (const std::string command : {"--results", "--result_file_ini", "--result_file_mime"}) {
    for (const std::string mode : {"full", "broken", "closed"}) {
      const RunResult r = t_.runProgram(qvtest::programPath("qv-stdout-fault"),
                                        {mode, qvtest::programPath(), command, "--taskID", std::to_string(id)});
      EXPECT_EQ(r.status, 12) << command << " " << mode << r.err;
    }
  }
}

}  // namespace
