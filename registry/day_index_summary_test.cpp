#include "registry/day_index_summary.h"

#include <gtest/gtest.h>

namespace {

using namespace qv_dayindexsummary;

TEST(DayIndexSummary, TracksLargestLastAndOrder) {
  qv_dayindex_summary s;
  EXPECT_EQ(s.records(), 0);
  s.add(10);
  s.add(12);
  EXPECT_TRUE(s.ascending);
  EXPECT_EQ(s.maxId, 12);
  EXPECT_EQ(s.coveredBytes, 75 + 2 * 326);
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

TEST(DayIndexSummary, TextRoundTrips) {
  qv_dayindex_summary s;
  s.add(179654204901);
  s.add(179654204905);
  const std::string text = buildSummary(s);
  EXPECT_EQ(text, "qv-day-index-summary 1 727 179654204905 179654204905 1\n");
  const auto back = parseSummary(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->coveredBytes, 727);
  EXPECT_EQ(back->maxId, 179654204905);
  EXPECT_TRUE(back->ascending);
}

TEST(DayIndexSummary, MalformedTextIsIgnored) {
  EXPECT_FALSE(parseSummary(""));
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 727 5 5 1"));     // no newline
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 727 5 5 1\nx"));  // trailing bytes
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 728 5 5 1\n"));   // not whole records
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 74 5 5 1\n"));    // inside the header
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 727 5 5 2\n"));   // order flag
  EXPECT_FALSE(parseSummary("qv-day-index-summary 2 727 5 5 1\n"));   // other version
  EXPECT_FALSE(parseSummary("qv-day-index-summary 1 727 5x 5 1\n"));
  EXPECT_TRUE(parseSummary("qv-day-index-summary 1 75 0 0 1\n"));
}

}  // namespace
