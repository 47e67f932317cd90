#include "taskregistry/day_index_summary.h"

#include <gtest/gtest.h>

#include "taskregistry/task_record.h"

namespace {

using namespace qv_dayindexsummary;

TEST(DayIndexSummary, TracksLargestLastAndOrder) {
  qv_dayindex_summary s;
  EXPECT_EQ(s.records(), 0);
  s.add(10);
  s.add(12);
  EXPECT_TRUE(s.ascending);
  EXPECT_EQ(s.maxId, 12);
  EXPECT_EQ(s.coveredBytes, qv_tasklayout::recordOffset(2));
  s.add(12);  // a repeat breaks strict order
  EXPECT_FALSE(s.ascending);
  s.add(11);
  EXPECT_EQ(s.maxId, 12);
  EXPECT_EQ(s.lastId, 11);
  EXPECT_EQ(s.records(), 4);
}

TEST(DayIndexSummary, FirstRecordMayBeAnyNumber) {
  qv_dayindex_summary s;
  s.add(-7);
  EXPECT_EQ(s.maxId, -7);
  EXPECT_TRUE(s.ascending);
}

TEST(DayIndexSummary, TextRoundTripsAtOneLength) {
  qv_dayindex_summary s;
  s.add(179654204901);
  s.add(179654204905);
  s.indexStamp = {2049, 18446744073709551615ULL, 727, 1796542049123456789};
  const std::string text = buildSummary(s);
  EXPECT_EQ(text.substr(0, 172),
            "qv-day-index-summary 2 00000000000000000727 00000000179654204905 00000000179654204905 1 "
            "00000000000000002049 18446744073709551615 00000000000000000727 01796542049123456789 ");
  EXPECT_EQ(text.size(), 172u + 16 + 1);
  const auto back = parseSummary(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->coveredBytes, 727);
  EXPECT_EQ(back->maxId, 179654204905);
  EXPECT_EQ(back->lastId, 179654204905);
  EXPECT_TRUE(back->ascending);
  EXPECT_EQ(back->indexStamp, s.indexStamp);
  s.add(-3);
  EXPECT_EQ(buildSummary(s).size(), text.size());
  EXPECT_EQ(parseSummary(buildSummary(s))->lastId, -3);
  EXPECT_FALSE(parseSummary(buildSummary(s))->ascending);
}

TEST(DayIndexSummary, LineMixedFromTwoWritesFailsItsCheck) {
  qv_dayindex_summary a;
  a.add(100);
  qv_dayindex_summary b = a;
  b.add(101);
  const std::string oldLine = buildSummary(a), newLine = buildSummary(b);
  for (size_t cut = 1; cut < newLine.size(); ++cut) {
    const std::string torn = newLine.substr(0, cut) + oldLine.substr(cut);
    if (torn == newLine || torn == oldLine) continue;
    EXPECT_FALSE(parseSummary(torn)) << cut;
  }
  EXPECT_FALSE(parseSummary(newLine.substr(0, newLine.size() - 1)));
}

TEST(DayIndexSummary, MalformedTextIsIgnored) {
  EXPECT_FALSE(parseSummary(""));
  EXPECT_FALSE(parseSummary("\n"));
  EXPECT_FALSE(parseSummary("qv-day-index-summary 2 727 5 5 1 1 1 727 1\n"));  // no check
  qv_dayindex_summary s;
  s.add(5);
  std::string line = buildSummary(s);
  EXPECT_TRUE(parseSummary(line));
  EXPECT_FALSE(parseSummary(line + "x"));
  line[25] = '9';  // a changed digit
  EXPECT_FALSE(parseSummary(line));
  s.coveredBytes = 728;  // not whole records, though the check matches
  EXPECT_FALSE(parseSummary(buildSummary(s)));
  s.coveredBytes = 74;
  EXPECT_FALSE(parseSummary(buildSummary(s)));
}

}  // namespace
