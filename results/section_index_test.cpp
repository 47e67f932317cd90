// A section's key index is a short list for a few key lines and a hash
// table for more: both must answer alike, at the number of key lines where
// one gives way to the other, in both dialects, in a fixed section and in a
// query section, with a key written twice and with lines that hold no key.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "results/key_table.h"
#include "results/qv_resultsfile.h"
#include "results/results_test_util.h"

namespace {

using qvresultstest::SectionText;

struct Case {
  int keyLines;    // lines holding a key, the one written twice included
  bool duplicate;  // the last key line repeats the first key
  bool bracket;
};

std::string describe(const Case& c) {
  return std::to_string(c.keyLines) + (c.duplicate ? " with a duplicate" : "") + (c.bracket ? " bracket" : " mime");
}

// The key lines of the case, a stray line without "=" after the first.
std::vector<std::string> keyLines(const Case& c) {
  std::vector<std::string> lines;
  for (int k = 1; k <= c.keyLines; ++k) {
    if (c.duplicate && k == c.keyLines) {
      lines.push_back("KEY1=second");
    } else {
      lines.push_back("key" + std::to_string(k) + "=v" + std::to_string(k));
    }
    if (k == 1) lines.push_back("a stray line");
  }
  return lines;
}

// The mixture section (fixed) and query 2 hold the case's lines.
std::string writeFile(const qvresultstest::ScratchDir& dir, const Case& c) {
  std::vector<SectionText> sections = qvresultstest::sampleSections(3);
  for (SectionText& s : sections) {
    if (s.name == "mixture" || s.name == "query2") s.lines = keyLines(c);
  }
  return dir.write("results.dat", qvresultstest::buildResultsFile(sections, c.bracket));
}

TEST(SectionIndex, AListAndAHashTableAnswerAlikeWhereOneGivesWayToTheOther) {
  constexpr int kListMax = static_cast<int>(qv_results::KeyTable::kListMax);
  qvresultstest::ScratchDir dir;
  for (const int keyLines : {kListMax - 1, kListMax, kListMax + 1}) {
    for (const bool duplicate : {false, true}) {
      for (const bool bracket : {false, true}) {
        const Case c{keyLines, duplicate, bracket};
        const qv_resultsfile f(writeFile(dir, c));
        ASSERT_TRUE(f.isValid()) << describe(c);
        const int distinct = keyLines - (duplicate ? 1 : 0);
        for (int k = 1; k <= distinct; ++k) {
          const std::string key = "KEY" + std::to_string(k);
          EXPECT_EQ(f.getSectionValueStr(SEC_MIXTURE, key), "v" + std::to_string(k)) << describe(c);
          EXPECT_EQ(f.getQuerySectionValueStr(2, key), "v" + std::to_string(k)) << describe(c);
        }
        EXPECT_EQ(f.getSectionValueStr(SEC_MIXTURE, "a stray line"), "") << describe(c);
        EXPECT_EQ(f.getNumberOfSectionKeys(SEC_MIXTURE), distinct) << describe(c);
        // A key written twice is recorded once for each section, and the
        // first value stays.
        const std::string mixture = bracket ? "[MIXTURE]" : "name=\"mixture\"";
        const std::string query2 = bracket ? "[QUERY2]" : "name=\"query2\"";
        if (duplicate) {
          ASSERT_EQ(f.getNumberOfErrors(), 2) << describe(c);
          EXPECT_EQ(f.getErrorString(1), "Duplicate key (KEY1) in section " + mixture) << describe(c);
          EXPECT_EQ(f.getErrorString(2), "Duplicate key (KEY1) in section " + query2) << describe(c);
        } else {
          EXPECT_EQ(f.getNumberOfErrors(), 0) << describe(c);
        }
        // Keys come in the order of the file when none is written twice,
        // and each once otherwise.
        std::vector<std::string> walked;
        f.forEachSectionKey(SEC_MIXTURE, [&](std::string_view key) { walked.emplace_back(key); });
        std::vector<std::string> expected;
        for (int k = 1; k <= distinct; ++k) expected.push_back("key" + std::to_string(k));
        if (duplicate) {
          std::sort(walked.begin(), walked.end());
          std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(walked, expected) << describe(c);
      }
    }
  }
}

}  // namespace
