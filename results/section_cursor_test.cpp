// The section cursor answers exactly as the key index does, whatever the
// order of the keys asked for and of the lines written: in order, out of
// order, absent, in another letter case, written twice, after a NUL.
#include <random>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"
#include "results/section_cursor.h"

namespace {

using qvresultstest::SectionText;

std::vector<SectionText> withPeptideLines(std::vector<std::string> lines) {
  std::vector<SectionText> sections = qvresultstest::sampleSections(2);
  for (SectionText& s : sections)
    if (s.name == "peptides") s.lines = std::move(lines);
  return sections;
}

std::string describe(const qv_valueref& v) {
  switch (v.where) {
    case qv_valueref::ABSENT:
      return "absent";
    case qv_valueref::IN_MEMORY:
      return "'" + std::string(v.text) + "'";
    default:
      return "on disk at " + std::to_string(v.fileOffset);
  }
}

// Asks the cursor for each key in turn and compares with the index.
void expectSameAnswers(const qv_resultsfile& file, const std::vector<std::string>& keys) {
  qv_resultsfile::SectionCursor cursor = file.sectionCursor(SEC_PEPTIDES);
  for (const std::string& key : keys) {
    const qv_valueref fromIndex = file.findSectionValue(SEC_PEPTIDES, key);
    const qv_valueref fromCursor = cursor.find(key);
    EXPECT_EQ(describe(fromCursor), describe(fromIndex)) << key;
    if (fromCursor.where == qv_valueref::IN_MEMORY && fromIndex.where == qv_valueref::IN_MEMORY) {
      EXPECT_EQ(fromCursor.text.data(), fromIndex.text.data()) << key << ": not the same line";
    }
  }
}

const std::vector<std::string> kLines = {
    "q1_p1=A1",  "q1_p1_terms=R,P", "q1_p2=A2",  "q1_p2_terms=K,L", "q1_p2_primary_nl=0001", "stray line",
    "q2_p1=-1",  "Q3_P1=CASE",      "q3_p2=",    "q4_p1=B1\r",      "q4_p1_terms=K,-",       "",
    "q6_p1=F1",  "q5_p1=E1",        "q5_p2=E2",  "q7_p1=G1"};

const std::vector<std::string> kAsked = {"q1_p1", "q1_p1_terms", "q1_p2", "q1_p2_terms", "q1_p3", "q2_p1",
                                         "q2_p2", "q3_p1",       "q3_p2", "q4_p1",       "q4_p1_terms",
                                         "q5_p1", "q5_p2",       "q6_p1", "q7_p1",       "q7_p1=x",
                                         "q1_p1", "q8_p1",       "",      "q7"};

TEST(SectionCursorTest, AnswersAsTheIndexInEveryOrder) {
  for (bool bracket : {false, true}) {
    qvresultstest::ScratchDir dir;
    qv_resultsfile file(dir.write("c.dat", qvresultstest::buildResultsFile(withPeptideLines(kLines), bracket)));
    ASSERT_TRUE(file.isValid()) << file.getLastErrorString();
    expectSameAnswers(file, kAsked);
    std::vector<std::string> shuffled = kAsked;
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
      std::shuffle(shuffled.begin(), shuffled.end(), random);
      expectSameAnswers(file, shuffled);
    }
  }
}

TEST(SectionCursorTest, AKeyWrittenTwiceGivesTheFirstLine) {
  qvresultstest::ScratchDir dir;
  std::vector<std::string> lines = {"q1_p1=LATER_ASKED", "q1_p2=SECOND", "Q1_P2=DUPLICATE", "q1_p2=THIRD"};
  qv_resultsfile file(dir.write("d.dat", qvresultstest::buildResultsFile(withPeptideLines(lines), false)));
  qv_resultsfile::SectionCursor cursor = file.sectionCursor(SEC_PEPTIDES);
  // Read past the first "q1_p2" on purpose: the next one is not the answer.
  EXPECT_EQ(describe(cursor.find("q1_p2")), "'SECOND'");
  EXPECT_EQ(describe(cursor.find("q1_p2")), "'SECOND'");
  EXPECT_EQ(describe(cursor.find("q1_p1")), "'LATER_ASKED'");
  expectSameAnswers(file, {"q1_p2", "q1_p2", "q1_p1", "q1_p2"});
}

TEST(SectionCursorTest, StopsWhereTheIndexStops) {
  qvresultstest::ScratchDir dir;
  std::string text = qvresultstest::buildResultsFile(withPeptideLines({"q1_p1=A", "q1_p2=B", "q1_p3=C"}), false);
  const size_t at = text.find("q1_p2=");
  ASSERT_NE(at, std::string::npos);
  text[at] = '\0';  // a NUL where a line starts: the index holds nothing after it
  qv_resultsfile file(dir.write("n.dat", text));
  expectSameAnswers(file, {"q1_p1", "q1_p2", "q1_p3"});
  EXPECT_FALSE(file.sectionCursor(SEC_PEPTIDES).find("q1_p3").found());
}

// Every key once, in whatever order, as enumerateSectionKeys lists them.
TEST(SectionCursorTest, EverySectionKeyIsWalkedOnce) {
  for (bool twice : {false, true}) {
    std::vector<std::string> lines = kLines;
    if (twice) lines.push_back("Q1_p1=AGAIN");
    qvresultstest::ScratchDir dir;
    qv_resultsfile file(dir.write("k.dat", qvresultstest::buildResultsFile(withPeptideLines(lines), false)));
    std::multiset<std::string> walked, listed;
    file.forEachSectionKey(SEC_PEPTIDES, [&](std::string_view key) { walked.emplace(key); });
    for (int n = 1; n <= file.getNumberOfSectionKeys(SEC_PEPTIDES); ++n)
      listed.insert(file.enumerateSectionKeys(SEC_PEPTIDES, n));
    EXPECT_EQ(walked, listed) << twice;
    EXPECT_EQ(walked.size(), 14u) << twice;  // the stray and the blank lines hold no key
  }
}

// The index half of a look-up: a key found there moves reading past its
// line, an absent one leaves it where it was; fetching a slot ahead changes
// no answer.
TEST(SectionCursorTest, AKeyFoundInTheIndexMovesReadingPastItsLine) {
  qvresultstest::ScratchDir dir;
  qv_resultsfile file(dir.write("i.dat", qvresultstest::buildResultsFile(withPeptideLines(kLines), false)));
  qv_resultsfile::SectionCursor cursor = file.sectionCursor(SEC_PEPTIDES);
  cursor.prefetch("q5_p1");
  cursor.prefetch("q9_p1");
  qv_valueref value;
  EXPECT_FALSE(cursor.findNearby("q5_p1", value));  // eight lines and more ahead
  EXPECT_EQ(describe(cursor.findInIndex("q5_p1")), "'E1'");
  ASSERT_TRUE(cursor.findNearby("q5_p2", value));
  EXPECT_EQ(describe(value), "'E2'");
  EXPECT_FALSE(cursor.findInIndex("q9_p1").found());
  ASSERT_TRUE(cursor.findNearby("q7_p1", value));
  EXPECT_EQ(describe(value), "'G1'");
}

TEST(SectionCursorTest, AMissingSectionHasNoValues) {
  qvresultstest::ScratchDir dir;
  std::vector<SectionText> sections = qvresultstest::sampleSections(1);
  std::erase_if(sections, [](const SectionText& s) { return s.name == "peptides"; });
  qv_resultsfile file(dir.write("m.dat", qvresultstest::buildResultsFile(sections, true)));
  EXPECT_FALSE(file.sectionCursor(SEC_PEPTIDES).find("q1_p1").found());
}

}  // namespace
