// Damaged and hostile results files: each gives its errors or absent
// results, never a crash, a hang or a read outside a block.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/process.h"
#include "results/qv_inputquery.h"
#include "results/qv_resultsfile.h"
#include "results/qv_searchparams.h"
#include "results/results_test_util.h"
#include "testsupport/sanitizer.h"
#include "tools/genresults/gen_model.h"
#include "tools/genresults/gen_writer.h"

using qvresultstest::buildResultsFile;
using qvresultstest::sampleSections;
using qvresultstest::ScratchDir;

namespace {

// Every lookup a reader might make, to run over any damaged file.
void exerciseEverything(const qv_resultsfile& f) {
  for (int s = -1; s <= 9; ++s) {
    (void)f.getSectionValueStr(s, "queries");
    (void)f.getSectionValueInt(s, "num_hits");
    (void)f.getSectionValueDouble(s, "residues");
    for (int n = 1; n <= 3; ++n) (void)f.enumerateSectionKeys(s, n);
  }
  const int queries = std::min(f.getNumQueries(), 50);
  for (int q = 0; q <= queries + 1; ++q) {
    (void)f.getQuerySectionValueStr(q, "Ions1");
    (void)f.getQuerySectionValueInt(q, "num_vals");
    (void)f.getObservedMass(q);
    (void)f.getObservedCharge(q);
    (void)f.getQueryDescription(q);
    const qv_inputquery query(f, q);
    (void)query.getIons(1);
  }
  (void)f.anyMSMS();
  (void)f.anySeq();
  (void)f.anyTag();
  (void)f.getSearchParameters().getErrorTolerantParent();
  (void)f.getSearchParameters().getVarModsName(1);
}

TEST(ResultsFileBadInput, EveryTruncationOfAFileIsSafe) {
  ScratchDir dir;
  for (bool bracket : {false, true}) {
    const std::string full = buildResultsFile(sampleSections(3), bracket, "\r\n");
    for (size_t cut = 0; cut <= full.size(); cut += 7) {
      const std::string path = dir.write("cut.dat", full.substr(0, cut));
      qv_resultsfile f(path, 0, "", 64);
      exerciseEverything(f);
      EXPECT_LE(f.getNumQueries(), 3);
      if (f.isValid()) {
        EXPECT_GE(cut, full.find(bracket ? "[INDEX]" : "name=\"index\""));
      }
    }
  }
}

TEST(ResultsFileBadInput, NulBytesAreRefusedAsMissingHeaders) {
  ScratchDir dir;
  qv_resultsfile f(dir.write("nul.dat", std::string(3000000, '\0')));
  EXPECT_FALSE(f.isValid());
  EXPECT_EQ(f.getErrorNumber(1), 30);
  EXPECT_EQ(f.getErrorNumber(2), 2);
  exerciseEverything(f);
}

TEST(ResultsFileBadInput, NulBytesInsideABodyEndItsIndex) {
  ScratchDir dir;
  auto sections = sampleSections(1);
  sections[1].lines.insert(sections[1].lines.begin() + 2, std::string("bad=a\0b", 7));
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, false)));
  exerciseEverything(f);
  EXPECT_EQ(f.getNumSequences(), 5000);
  EXPECT_EQ(f.getSectionValueStr(SEC_HEADER, "bad"), "");
  EXPECT_EQ(f.getNumQueries(), 1);
  // A NUL at the start of a line ends the section's index there.
  sections[1].lines[2] = std::string("\0x=1", 4);
  qv_resultsfile g(dir.write("r.dat", buildResultsFile(sections, false)));
  exerciseEverything(g);
  EXPECT_EQ(g.getNumSequences(), 5000);
  EXPECT_EQ(g.getNumQueries(), -1);  // "queries" came after the NUL
}

TEST(ResultsFileBadInput, NoLineEndsAtAll) {
  ScratchDir dir;
  std::string text = "[RA RozIzide][PARAMETERS]SEARCH=MIS[HEADER]queries=3";
  text += std::string(2500000, 'x');
  qv_resultsfile f(dir.write("r.dat", text));
  exerciseEverything(f);
  EXPECT_FALSE(f.isValid());  // no masses or index section
  EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "SEARCH"), "");
}

TEST(ResultsFileBadInput, AFiftyMegabyteSingleLineIsReadWhole) {
  ScratchDir dir;
  auto sections = sampleSections(2);
  std::string peaks = "Ions2=";
  while (peaks.size() < 50u * 1000 * 1000) peaks += "1234.5678:987.6,";
  sections[sections.size() - 2].lines[9] = peaks;
  sections[sections.size() - 2].lines.push_back("Ions3=1:2");
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, true)));
  EXPECT_TRUE(f.isValid()) << f.getLastErrorString();
  EXPECT_EQ(f.getQuerySectionValueStr(2, "Ions2").size(), peaks.size() - 6);
  EXPECT_EQ(f.getQuerySectionValueStr(2, "Ions3"), "1:2");
  EXPECT_EQ(f.getSectionValueStr(SEC_INDEX, "header"), "20");
}

TEST(ResultsFileBadInput, TokenAtTheVeryEndOfTheFile) {
  ScratchDir dir;
  for (bool bracket : {false, true}) {
    std::string text = buildResultsFile(sampleSections(1), bracket);
    const std::string token = bracket ? "[INDEX]" : "name=\"index\"";
    text = text.substr(0, text.find(token) + token.size());
    qv_resultsfile f(dir.write("r.dat", text));
    EXPECT_TRUE(f.isValid()) << f.getLastErrorString();
    EXPECT_TRUE(f.isSectionPresent(SEC_INDEX));
    EXPECT_EQ(f.getNumberOfSectionKeys(SEC_INDEX), 0);
    exerciseEverything(f);
  }
}

TEST(ResultsFileBadInput, QuerySectionsMissingOrCountAbsurd) {
  ScratchDir dir;
  auto sections = sampleSections(0);
  sections[1].lines.back() = "queries=2000000000";
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, false)));
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getNumQueries(), 0);
  EXPECT_EQ(f.getLastErrorString(), "Invalid number of queries in results file (2000000000) - truncated to (0)");
  EXPECT_FALSE(f.anyMSMS());

  // A negative count looks for no section and stays as the header gives it.
  sections[1].lines.back() = "queries=-7";
  qv_resultsfile negative(dir.write("r2.dat", buildResultsFile(sections, false)));
  EXPECT_TRUE(negative.isValid());
  EXPECT_EQ(negative.getNumQueries(), -7);
  EXPECT_EQ(negative.getNumberOfErrors(), 0) << negative.getLastErrorString();
  EXPECT_FALSE(negative.anyMSMS());
  EXPECT_EQ(negative.getQuerySectionValueStr(1, "title"), "");
}

TEST(ResultsFileBadInput, MarkerTextWrittenInTheFileReadsBackAsItself) {
  ScratchDir dir;
  auto sections = sampleSections(1);
  sections[sections.size() - 2].lines[8] = "Ions1=@#$:999999999999";
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, false)));
  EXPECT_EQ(f.getQuerySectionValueStr(1, "Ions1"), "@#$:999999999999");
}

TEST(ResultsFileBadInput, FileShortenedAfterOpeningGivesAbsentPeakLists) {
  ScratchDir dir;
  const std::string path = dir.write("r.dat", buildResultsFile(sampleSections(2), false));
  qv_resultsfile f(path);
  ASSERT_TRUE(f.isValid());
  std::filesystem::resize_file(path, 100);
  EXPECT_EQ(f.getQuerySectionValueStr(2, "Ions1"), "");
  EXPECT_EQ(f.getQuerySectionValueStr(2, "charge"), "2+");
  std::filesystem::remove(path);
  EXPECT_EQ(f.getQuerySectionValueStr(1, "Ions1"), "");
}

TEST(ResultsFileBadInput, EmptyFileAndDirectory) {
  ScratchDir dir;
  qv_resultsfile empty(dir.write("empty.dat", ""));
  EXPECT_FALSE(empty.isValid());
  EXPECT_EQ(empty.getLastError(), 13);
  exerciseEverything(empty);
  qv_resultsfile directory(dir.path());
  EXPECT_FALSE(directory.isValid());
  exerciseEverything(directory);
}

TEST(ResultsFileBadInput, SectionHeadersWithoutBodiesAndStrayLines) {
  ScratchDir dir;
  const std::string text =
      "MIME-Version: 1.0 (Generated by Tarnel version 1.0)\n"
      "Content-Type: x; name=\"parameters\"\nContent-Type: x; name=\"header\"\n"
      "=novalue\n\n\n=\nqueries\nContent-Type: x; name=\"masses\"\r\r\r\nContent-Type: x; name=\"index\"";
  qv_resultsfile f(dir.write("r.dat", text));
  exerciseEverything(f);
  EXPECT_EQ(f.getNumQueries(), -1);
}

// Opened under address-space limits from too small to enough (the benchmark
// driver opens the file and describes every query), a results file either
// opens or ends with an error: an allocation that fails while reading or
// indexing, on either thread, never escapes as an exception or a crash.
TEST(ResultsFileBadInput, AddressSpaceLimitsGiveErrorsNotCrashes) {
  if (qvtest::kSanitizerReservesAddressSpace)
    GTEST_SKIP() << "the sanitizer needs more address space than these limits";
  ScratchDir dir;
  qvgen::Options options;
  options.type = qvgen::SearchType::Pmf;  // no peak lists: all of the file is kept and indexed
  options.queries = 100000;
  const std::string path = dir.write("pmf.dat", qvgen::resultsText(options));
  const std::string bench = qv_platform::executableDirectory() + "/qv-results-bench";
  int opened = 0;
  int failed = 0;
  for (int mb = 46; mb <= 90; mb += 4) {
    qv_platform::ProcessRequest request;
    request.argv = {"prlimit", "--as=" + std::to_string(mb << 20), bench, path};
    const auto result = qv_platform::runProcess(request);
    ASSERT_TRUE(result.has_value());
    ASSERT_TRUE(result->exitStatus == 0 || result->exitStatus == 1)
        << mb << " MB: status " << result->exitStatus << " " << result->standardError;
    if (result->exitStatus == 0) {
      ++opened;
    } else {
      ++failed;
      EXPECT_TRUE(result->standardError.find("Out of memory trying to allocate") != std::string::npos ||
                  result->standardError.find("The results file could not be opened") != std::string::npos)
          << mb << " MB: " << result->standardError;
    }
  }
  EXPECT_GT(opened, 0);
  EXPECT_GT(failed, 0);
}

}  // namespace

namespace {

// A stray line without "=" and a line whose CR comes before its "=" hold no
// key a lookup can ask for: the real lines after them are found, and no
// duplicate is reported. Lines without "=" are not keys to enumerate.
TEST(ResultsFileBadInput, StrayLinesDoNotShadowTheKeysAfterThem) {
  ScratchDir dir;
  for (const bool bracket : {false, true}) {
    auto sections = sampleSections(1);
    std::vector<std::string>& parameters = sections[0].lines;
    parameters.insert(parameters.begin(), {"CLE", "TOL\rjunk=5", "PFA\r"});
    qv_resultsfile f(dir.write("r.dat", buildResultsFile(sections, bracket)));
    EXPECT_TRUE(f.isValid()) << bracket;
    EXPECT_EQ(f.getNumberOfErrors(), 0) << f.getLastErrorString();
    EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "CLE"), "Trypsin");
    EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "TOL"), "1.5");
    EXPECT_EQ(f.getSectionValueInt(SEC_PARAMETERS, "PFA"), 1);
    // The CR is part of the key it stands in.
    EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "TOL\rjunk"), "5");
    std::vector<std::string> keys;
    for (int n = 1;; ++n) {
      const std::string key = f.enumerateSectionKeys(SEC_PARAMETERS, n);
      if (key.empty()) break;
      keys.push_back(key);
    }
    EXPECT_EQ(keys, (std::vector<std::string>{"CLE", "COM", "DB", "ICAT", "ITOL", "ITOLU", "LICENSE", "PFA", "REPORT",
                                              "SEARCH", "SEG", "TOL", "TOL\rjunk", "TOLU"}));
  }
}

// The peak lists kept on disk are read from the file that was opened, even
// when another file has been renamed over its name since.
TEST(ResultsFileBadInput, PeakListsComeFromTheFileOpenedNotOneRenamedOverIt) {
  ScratchDir dir;
  const std::string path = dir.write("r.dat", buildResultsFile(sampleSections(2), false));
  qv_resultsfile f(path);
  ASSERT_TRUE(f.isValid());
  auto other = sampleSections(2);
  other[0].lines.insert(other[0].lines.begin(), "PAD=" + std::string(37, 'x'));
  for (auto& s : other) {
    for (std::string& line : s.lines) {
      if (line.starts_with("Ions1=")) line = "Ions1=999:1,998:2,997:3";
    }
  }
  const std::string replacement = dir.write("other.dat", buildResultsFile(other, false));
  std::filesystem::rename(replacement, path);
  EXPECT_EQ(f.getQuerySectionValueStr(1, "Ions1"), "100.5:10,200.25:20,300:30");
  EXPECT_EQ(f.getQuerySectionValueStr(2, "Ions1"), "100.5:10,200.25:20,300:30");
}

}  // namespace
