#include "results/qv_resultsfile.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <cctype>

#include "results/results_test_util.h"
#include "results/section_cursor.h"

using qvresultstest::buildResultsFile;
using qvresultstest::sampleSections;
using qvresultstest::ScratchDir;
using qvresultstest::SectionText;

namespace {

std::vector<int> errorNumbers(const qv_resultsfile& f) {
  std::vector<int> out;
  for (int i = 1; i <= f.getNumberOfErrors(); ++i) out.push_back(f.getErrorNumber(i));
  return out;
}

SectionText* findSection(std::vector<SectionText>& sections, const std::string& name) {
  for (SectionText& s : sections) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

void removeSection(std::vector<SectionText>& sections, const std::string& name) {
  std::erase_if(sections, [&](const SectionText& s) { return s.name == name; });
}

class BothDialects : public ::testing::TestWithParam<bool> {
 protected:
  std::string write(const std::vector<SectionText>& sections, const std::string& eol = "\n") {
    return dir_.write("results.dat", buildResultsFile(sections, GetParam(), eol));
  }
  ScratchDir dir_;
};

INSTANTIATE_TEST_SUITE_P(Dialects, BothDialects, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Bracket" : "Mime"; });

TEST_P(BothDialects, ReadsHeaderAndSectionValues) {
  qv_resultsfile f(write(sampleSections(3)));
  EXPECT_TRUE(f.isValid()) << f.getLastErrorString();
  EXPECT_EQ(f.getNumberOfErrors(), 0);
  EXPECT_EQ(f.isBracketDialect(), GetParam());
  EXPECT_EQ(f.getNumQueries(), 3);
  EXPECT_EQ(f.getNumHits(), 0);
  EXPECT_EQ(f.getNumSequences(), 5000);
  EXPECT_EQ(f.getNumSeqsAfterTax(), 4000);
  EXPECT_DOUBLE_EQ(f.getNumResidues(), 1234567.5);
  EXPECT_EQ(f.getExecTime(), 12);
  EXPECT_EQ(f.getDate(), 1700000000);
  EXPECT_EQ(f.getVersion(), "2.1.0");
  EXPECT_EQ(f.getRelease(), "SwissProt_2026");
  EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "COM"), "sample search");
  EXPECT_EQ(f.getSectionValueStr(SEC_MASSES, "delta1"), "15.994915,Oxidation (M)");
  EXPECT_EQ(f.getSectionValueStr(SEC_INDEX, "header"), "20");
  EXPECT_EQ(f.getQuerySectionValueStr(2, "title"), "Spectrum%202");
  EXPECT_EQ(f.getQuerySectionValueStr(3, "charge"), "2+");
  EXPECT_EQ(f.getQuerySectionValueInt(3, "num_vals"), 3);
  EXPECT_DOUBLE_EQ(f.getQuerySectionValueDouble(1, "mass_max"), 1500.25);
  EXPECT_EQ(f.getQuerySectionValueStr(1, "Ions2"), "150:5");
  // Section 7 is query 1 seen as a fixed section.
  EXPECT_EQ(f.getSectionValueStr(SEC_QUERY1, "title"), "Spectrum%201");
}

TEST_P(BothDialects, AbsentKeysSectionsAndQueriesGiveTheirDefaults) {
  auto sections = sampleSections(2);
  removeSection(sections, "mixture");
  qv_resultsfile f(write(sections));
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getSectionValueStr(SEC_HEADER, "nokey"), "");
  EXPECT_EQ(f.getSectionValueInt(SEC_HEADER, "nokey"), -1);
  EXPECT_EQ(f.getSectionValueDouble(SEC_HEADER, "nokey"), 0.0);
  EXPECT_EQ(f.getSectionValueStr(SEC_MIXTURE, "anything"), "");
  EXPECT_FALSE(f.isSectionPresent(SEC_MIXTURE));
  EXPECT_EQ(f.getSectionValueStr(-1, "queries"), "");
  EXPECT_EQ(f.getSectionValueStr(9, "queries"), "");
  EXPECT_EQ(f.getQuerySectionValueStr(0, "title"), "");
  EXPECT_EQ(f.getQuerySectionValueStr(3, "title"), "");
  EXPECT_EQ(f.getQuerySectionValueInt(3, "num_vals"), 0);
  EXPECT_EQ(f.getQuerySectionValueInt(1, "nokey"), 0);
  EXPECT_EQ(f.getQuerySectionValueDouble(1, "nokey"), 0.0);
  // A key that is only a prefix of another is a different key.
  EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "TO"), "");
  EXPECT_EQ(f.getNumberOfErrors(), 0);
}

TEST_P(BothDialects, KeysIgnoreLetterCase) {
  auto sections = sampleSections(1);
  findSection(sections, "header")->lines.back() = "QUERIES=1";
  qv_resultsfile f(write(sections));
  EXPECT_EQ(f.getNumQueries(), 1);
  EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "search"), "MIS");
  EXPECT_EQ(f.getQuerySectionValueStr(1, "TITLE"), "Spectrum%201");
}

TEST_P(BothDialects, DuplicateKeysKeepTheFirstValue) {
  auto sections = sampleSections(1);
  findSection(sections, "header")->lines.push_back("Sequences=7");
  findSection(sections, "proteins")->lines.push_back("\"P12345\"=1.0,\"again\"");
  qv_resultsfile f(write(sections));
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getNumSequences(), 5000);
  EXPECT_EQ(errorNumbers(f), (std::vector<int>{24, 19}));
  const std::string header = GetParam() ? "[HEADER]" : "name=\"header\"";
  EXPECT_EQ(f.getErrorString(1), "Duplicate key (Sequences) in section " + header);
  EXPECT_EQ(f.getErrorString(2), "Possible duplicate accession string (\"P12345\")");
  EXPECT_EQ(f.getSectionValueStr(SEC_PROTEINS, "\"P12345\""), "50000.0,\"Test protein\"");
}

// A big peptides section is indexed beside the other sections; its errors
// still come between those of the sections before and after it, and equal
// reports fold across the join as they would one after another.
TEST_P(BothDialects, BigSectionErrorsKeepTheirPlace) {
  auto sections = sampleSections(3);
  for (std::string& line : findSection(sections, "header")->lines) {
    if (line == "queries=3") line = "queries=5";  // two query sections missing: error 28 at the end
  }
  findSection(sections, "summary")->lines.push_back("QMASS1=9");
  std::vector<std::string>& peptides = findSection(sections, "peptides")->lines;
  const std::string pad(80, 'x');
  for (int i = 1; i <= 60000; ++i) {
    peptides.push_back("q" + std::to_string(i) + "_pad=" + pad);
    if (i == 30000 || i == 59999 || i == 60000) peptides.push_back("Q1_P1=duplicate " + std::to_string(i));
  }
  findSection(sections, "proteins")->lines.push_back("\"P12345\"=again");
  findSection(sections, "query2")->lines.push_back("CHARGE=3+");
  qv_resultsfile f(write(sections));
  const bool bracket = GetParam();
  const auto header = [&](const std::string& name) {
    std::string upper = name;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return bracket ? "[" + upper + "]" : "name=\"" + name + "\"";
  };
  ASSERT_EQ(errorNumbers(f), (std::vector<int>{24, 24, 19, 24, 28}));
  EXPECT_EQ(f.getErrorString(1), "Duplicate key (QMASS1) in section " + header("summary"));
  EXPECT_EQ(f.getErrorString(2),
            "Duplicate key (Q1_P1) in section " + header("peptides") + " (Error repeated 3 times)");
  EXPECT_EQ(f.getErrorString(3), "Possible duplicate accession string (\"P12345\")");
  EXPECT_EQ(f.getErrorString(4), "Duplicate key (CHARGE) in section " + header("query2"));
  EXPECT_EQ(f.getNumQueries(), 3);
  EXPECT_EQ(f.getNumberOfSectionKeys(SEC_PEPTIDES), 60003);
  EXPECT_EQ(f.getSectionValueStr(SEC_PEPTIDES, "q31234_PAD"), pad);
  EXPECT_EQ(f.getSectionValueStr(SEC_PEPTIDES, "q1_p1").substr(0, 8), "0,1000.5");
  EXPECT_EQ(f.getSectionValueStr(SEC_SUMMARY, "qmass1"), "1001.5");
  EXPECT_EQ(f.getNumHits(), 0);
}

TEST_P(BothDialects, MissingRequiredSectionMakesTheFileInvalid) {
  auto sections = sampleSections(1);
  removeSection(sections, "masses");
  removeSection(sections, "proteins");
  qv_resultsfile f(write(sections));
  EXPECT_FALSE(f.isValid());
  EXPECT_EQ(errorNumbers(f), (std::vector<int>{13}));
  EXPECT_EQ(f.getLastErrorString(),
            std::string("Failed to find ") + (GetParam() ? "[MASSES]" : "name=\"masses\"") + " section in file");
  EXPECT_EQ(f.getNumQueries(), 1);
}

TEST_P(BothDialects, FewerQuerySectionsThanTheHeaderSaysTruncates) {
  auto sections = sampleSections(5);
  removeSection(sections, "query5");
  qv_resultsfile f(write(sections));
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getNumQueries(), 4);
  EXPECT_EQ(errorNumbers(f), (std::vector<int>{28}));
  EXPECT_EQ(f.getLastErrorString(), "Invalid number of queries in results file (5) - truncated to (4)");
  EXPECT_EQ(f.getQuerySectionValueStr(4, "charge"), "2+");
}

TEST_P(BothDialects, QuerySectionsOutOfOrderTruncateAtTheFirstOne) {
  auto sections = sampleSections(4);
  auto q2 = std::find_if(sections.begin(), sections.end(), [](const SectionText& s) { return s.name == "query2"; });
  std::iter_swap(q2, q2 + 1);  // query3 now comes before query2
  qv_resultsfile f(write(sections));
  EXPECT_EQ(f.getNumQueries(), 2);
  EXPECT_EQ(f.getLastErrorString(), "Invalid number of queries in results file (4) - truncated to (2)");
}

TEST_P(BothDialects, QueryTenIsNotMistakenForQueryOne) {
  auto sections = sampleSections(10);
  // Query 1 holds a charge of its own; the section of query 10 must not be read for it.
  findSection(sections, "query1")->lines[1] = "charge=1+";
  findSection(sections, "query10")->lines[1] = "charge=3+";
  qv_resultsfile f(write(sections));
  EXPECT_EQ(f.getNumQueries(), 10);
  EXPECT_EQ(f.getQuerySectionValueStr(1, "charge"), "1+");
  EXPECT_EQ(f.getQuerySectionValueStr(10, "charge"), "3+");
}

TEST_P(BothDialects, IonsOneIsFetchedFromTheFileWhateverTheChunkSize) {
  auto sections = sampleSections(3);
  std::string longList;
  for (int i = 0; i < 400; ++i) longList += (i ? "," : "") + std::to_string(100 + i) + ".125:" + std::to_string(i);
  findSection(sections, "query2")->lines[8] = "Ions1=" + longList;
  for (const std::string eol : {"\n", "\r\n"}) {
    const std::string path = write(sections, eol);
    for (size_t chunk :
         {size_t{60}, size_t{64}, size_t{97}, size_t{1000}, size_t{4096}, qv_resultsfile::kDefaultChunkSize}) {
      qv_resultsfile f(path, 0, "", chunk);
      ASSERT_TRUE(f.isValid()) << chunk << " " << f.getLastErrorString();
      EXPECT_EQ(f.getQuerySectionValueStr(2, "Ions1"), longList) << chunk;
      EXPECT_EQ(f.getQuerySectionValueStr(1, "ions1"), "100.5:10,200.25:20,300:30") << chunk;
      EXPECT_EQ(f.getQuerySectionValueStr(3, "Ions2"), "150:5") << chunk;
      EXPECT_EQ(f.getQuerySectionValueStr(3, "charge"), "2+") << chunk;
      EXPECT_TRUE(f.hasQuerySectionValue(2, "Ions1"));
      EXPECT_FALSE(f.hasQuerySectionValue(2, "Ions3"));
      EXPECT_EQ(f.getNumQueries(), 3);
    }
  }
}

TEST_P(BothDialects, ObservedChargeReadsTheSecondFieldOfQexp) {
  auto sections = sampleSections(6);
  auto& summary = findSection(sections, "summary")->lines;
  std::erase_if(summary, [](const std::string& l) { return l.starts_with("qexp"); });
  summary.insert(summary.end(), {"qexp1=500.25,3+", "qexp2=1000.5,Mr", "qexp3=400,9+", "qexp4=300,8-", "qexp5=700"});
  qv_resultsfile f(write(sections));
  EXPECT_EQ(f.getObservedCharge(1), 3);
  EXPECT_DOUBLE_EQ(f.getObservedMass(1), 500.25);
  EXPECT_EQ(f.getObservedCharge(2), 0);
  EXPECT_EQ(f.getObservedCharge(3), -100);
  EXPECT_EQ(f.getObservedCharge(4), -8);
  EXPECT_EQ(f.getObservedCharge(5), -100);
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getObservedCharge(6), -100);
  EXPECT_EQ(f.getLastErrorString(), "Missing entry. In function getObservedCharge, requesting key qexp6");
  EXPECT_FALSE(f.isValid());
  EXPECT_EQ(f.getObservedMass(7), 0.0);
  EXPECT_EQ(f.getLastErrorString(), "Query out of range. In function getObservedMass. Request query 7, num queries: 6");
  // Through a cursor: the same values, in and out of order, and the same error.
  qv_resultsfile::SectionCursor cursor = f.sectionCursor(SEC_SUMMARY);
  EXPECT_DOUBLE_EQ(f.getObservedMass(2, cursor), 1000.5);
  EXPECT_DOUBLE_EQ(f.getObservedMass(1, cursor), 500.25);
  EXPECT_DOUBLE_EQ(f.getObservedMass(5, cursor), 700);
  EXPECT_EQ(f.getObservedMass(6, cursor), 0.0);
  const int errors = f.getNumberOfErrors();
  EXPECT_EQ(f.getObservedMass(8, cursor), 0.0);
  EXPECT_EQ(f.getNumberOfErrors(), errors + 1);
  EXPECT_EQ(f.getLastErrorString(), "Query out of range. In function getObservedMass. Request query 8, num queries: 6");
  EXPECT_EQ(f.getObservedCharge(0), -100);
  EXPECT_EQ(f.getLastError(), 4);
}

TEST_P(BothDialects, EnumeratesKeysInKeyOrder) {
  auto sections = sampleSections(1);
  findSection(sections, "index")->lines = {"zeta=1", "Alpha=2", "alphabet=3", "no equals sign", "beta=4"};
  qv_resultsfile f(write(sections));
  const std::vector<std::string> expected = {"Alpha", "alphabet", "beta", "zeta"};
  for (int n = 1; n <= 4; ++n) EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, n), expected[n - 1]) << n;
  EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, 5), "");
  // Going back and skipping ahead give the same answers.
  EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, 2), "alphabet");
  EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, 4), "zeta");
  EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, 1), "Alpha");
  EXPECT_EQ(f.enumerateSectionKeys(SEC_INDEX, 0), "");
  EXPECT_EQ(f.enumerateSectionKeys(SEC_MIXTURE, 1), "");
  EXPECT_EQ(f.getSectionValueStr(SEC_INDEX, "no equals sign"), "");
}

TEST(ResultsFile, LastValueWithoutLineEndIsAbsent) {
  ScratchDir dir;
  std::string text = buildResultsFile(sampleSections(1), true);
  text += "last=value";
  qv_resultsfile f(dir.write("r.dat", text));
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getSectionValueStr(SEC_INDEX, "header"), "20");
  EXPECT_EQ(f.getSectionValueStr(SEC_INDEX, "last"), "");
}

TEST(ResultsFile, NoDialectTextRecordsThirtyThenTwo) {
  ScratchDir dir;
  qv_resultsfile f(dir.write("r.dat", "[PARAMETERS]\nSEARCH=MIS\n"));
  EXPECT_FALSE(f.isValid());
  EXPECT_EQ(errorNumbers(f), (std::vector<int>{30, 2}));
  EXPECT_EQ(f.getErrorString(1), "Invalid results file format - missing or corrupt headers");
  EXPECT_EQ(f.getErrorString(2), "The results file could not be opened");
  EXPECT_EQ(f.getNumQueries(), -1);
  EXPECT_EQ(f.getSectionValueStr(SEC_PARAMETERS, "SEARCH"), "");
}

TEST(ResultsFile, MissingFileRecordsTwo) {
  ScratchDir dir;
  qv_resultsfile f(dir.path() + "/absent.dat");
  EXPECT_FALSE(f.isValid());
  EXPECT_EQ(errorNumbers(f), (std::vector<int>{2}));
  EXPECT_EQ(f.getNumQueries(), -1);
  EXPECT_EQ(f.getQueryDescription(1), "");
}

TEST(ResultsFile, BracketTextLaterInTheFirstBlockMeansMime) {
  ScratchDir dir;
  std::string text = buildResultsFile(sampleSections(1), false);
  text.insert(0, "X-Note: [RA RozIzide]\n");
  qv_resultsfile f(dir.write("r.dat", text));
  EXPECT_FALSE(f.isBracketDialect());
  EXPECT_TRUE(f.isValid());
  EXPECT_EQ(f.getNumQueries(), 1);
}

TEST(ResultsFile, ErrorInterfaceBoundsAndFolding) {
  ScratchDir dir;
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sampleSections(1), false)));
  EXPECT_EQ(f.getErrorNumber(-1), 0);
  EXPECT_EQ(f.getLastErrorString(), "");
  f.setError(31, 1);
  f.setError(0);
  EXPECT_EQ(f.getNumberOfErrors(), 0);
  for (int i = 0; i < 3; ++i) f.setError(qv_resultsfile::ERR_DUPLICATE_KEY, "k", "s");
  EXPECT_EQ(f.getNumberOfErrors(), 2);
  EXPECT_EQ(f.getErrorNumber(-1), 24);
  EXPECT_EQ(f.getErrorNumber(3), 0);
  EXPECT_EQ(f.getErrorString(2), "Duplicate key (k) in section s (Error repeated 2 times)");
  EXPECT_TRUE(f.isValid());  // warnings only
  f.setError(qv_resultsfile::ERR_HIT_NOT_IN_SUMMARY, 4);
  EXPECT_FALSE(f.isValid());
}

TEST(ResultsFile, KeepAliveIsSilentWhenOff) {
  ScratchDir dir;
  const std::string path = dir.write("r.dat", buildResultsFile(sampleSections(1), false));
  ::testing::internal::CaptureStdout();
  {
    qv_resultsfile off(path, 0, "alive %d\n");
    off.keepAlive();
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
}

// Keep-alive texts go to the writer the caller gives, formatted with the
// whole seconds since opening, at most once an interval; never to stdout.
TEST(ResultsFile, KeepAliveGoesToTheCallersWriter) {
  ScratchDir dir;
  const std::string path = dir.write("r.dat", buildResultsFile(sampleSections(1), false));
  std::vector<std::string> written;
  ::testing::internal::CaptureStdout();
  {
    qv_resultsfile f(path, 1, "alive %d\n", [&](std::string_view text) { written.emplace_back(text); });
    const size_t atOpening = written.size();  // 0, or 1 when opening crossed a second
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    f.keepAlive();
    f.keepAlive();  // the interval has not passed again
    EXPECT_EQ(written.size(), atOpening + 1);
  }
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  ASSERT_FALSE(written.empty());
  EXPECT_TRUE(written.back() == "alive 2\n" || written.back() == "alive 3\n") << written.back();
}

}  // namespace

namespace {

// The lookup primitive: a value held in memory, one kept on disk, and an
// absent one; appending reads the one on disk from the file, whole or to a
// limit.
TEST(ResultsFile, ValueReferencesPointIntoMemoryOrOntoTheFile) {
  ScratchDir dir;
  qv_resultsfile f(dir.write("r.dat", buildResultsFile(sampleSections(2), false)));
  const qv_valueref title = f.findQueryValue(2, "TITLE");
  ASSERT_EQ(title.where, qv_valueref::IN_MEMORY);
  EXPECT_EQ(title.text, "Spectrum%202");
  const qv_valueref ions = f.findQueryValue(2, "ions1");
  ASSERT_EQ(ions.where, qv_valueref::ON_DISK);
  std::string out = "peaks:";
  EXPECT_TRUE(f.appendValue(ions, out));
  EXPECT_EQ(out, "peaks:100.5:10,200.25:20,300:30");
  out.clear();
  EXPECT_TRUE(f.appendValue(ions, out, 5));
  EXPECT_EQ(out, "100.");  // the "=" is among the bytes read
  EXPECT_FALSE(f.findQueryValue(2, "absent").found());
  EXPECT_FALSE(f.findQueryValue(3, "title").found());
  EXPECT_FALSE(f.appendValue(qv_valueref{}, out));
  EXPECT_EQ(f.valueInt(f.findSectionValue(SEC_HEADER, "queries"), -1), 2);
  EXPECT_EQ(f.valueInt(f.findSectionValue(SEC_HEADER, "none"), -7), -7);
  const std::string_view keys[] = {"qexp1", "absent", "QMASS2"};
  qv_valueref values[3];
  f.findSectionValues(SEC_SUMMARY, keys, values);
  EXPECT_EQ(values[0].text, "501.25,2+");
  EXPECT_FALSE(values[1].found());
  EXPECT_EQ(values[2].text, "1002.5");
  size_t seen = 0;
  f.forEachQueryKey(1, [&](std::string_view key) {
    ++seen;
    if (key == "Ions1") {
      EXPECT_EQ(f.valueOfKey(key).where, qv_valueref::ON_DISK);
    }
    if (key == "charge") {
      EXPECT_EQ(f.valueOfKey(key).text, "2+");
    }
  });
  EXPECT_EQ(seen, 10u);
}

}  // namespace
