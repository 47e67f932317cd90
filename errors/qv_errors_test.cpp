#include "errors/qv_errors.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

std::string tempPath(const char* name) {
  return (std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(getpid()))).string();
}

TEST(MessageTable, RowsAreExactAndTerminated) {
  const qv_message_row* r = qv_findMessage(4);
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(r->level, 1);
  EXPECT_STREQ(r->format, "Query out of range. In function %s. Request query %d, num queries: %d");
  ASSERT_NE(qv_findMessage(4363), nullptr);
  EXPECT_EQ(qv_findMessage(4363)->level, 4);
  EXPECT_EQ(qv_findMessage(4608)->level, 3);
  EXPECT_EQ(qv_findMessage(4917)->level, 6);
  EXPECT_STREQ(qv_findMessage(1550)->format,
               "In the file %s: maximimum length of parse string (%d) is exceeded in: %s");
  EXPECT_EQ(qv_findMessage(1564), nullptr);  // a gap in the numbering
  EXPECT_EQ(qv_findMessage(-1), nullptr);
  int rows = 0;
  for (const qv_message_row* p = qv_message_table; p->number != -1; ++p) ++rows;
  EXPECT_EQ(rows, 193);
}

TEST(ErrorList, FoldsOnlyUnbrokenRunsOnTheSecondEntry) {
  qv_errors e;
  e.setError(2);
  e.setError(2);
  e.setError(2);
  ASSERT_EQ(e.getNumberOfErrors(), 2);
  EXPECT_EQ(e.getErrorString(2), "The results file could not be opened (Error repeated 2 times)");
  EXPECT_EQ(e.getErrorString(1), "The results file could not be opened");
  e.setError(2);
  EXPECT_EQ(e.getLastErrorString(), "The results file could not be opened (Error repeated 3 times)");

  qv_errors f;
  f.addError(5, "a", 1);
  f.addError(5, "b", 1);
  f.addError(6, "c", 1);
  f.addError(5, "d", 1);
  EXPECT_EQ(f.getNumberOfErrors(), 4);
  // A folded report's own text is discarded.
  f.addError(7, "x", 2);
  f.addError(7, "y", 2);
  f.addError(7, "z", 2);
  EXPECT_EQ(f.getLastErrorString(), "y (Error repeated 2 times)");
}

// A run of reports with arguments: the first two keep their own texts, the
// rest only count; a log still gets every one of them with its own text.
TEST(ErrorList, ARunOfReportsCountsTheRestAndLogsEachOne) {
  for (bool logged : {false, true}) {
    const std::string log = tempPath("qvrunlog");
    std::filesystem::remove(log);
    qv_errors e;
    if (logged) e.setLogging(log, 2);
    for (int q = 1; q <= 5; ++q) e.setError(4, "fn", q, 9);
    e.setError(5, "fn", "key");
    e.setError(4, "fn", 6, 9);
    ASSERT_EQ(e.getNumberOfErrors(), 4);
    EXPECT_EQ(e.getErrorString(1), "Query out of range. In function fn. Request query 1, num queries: 9");
    EXPECT_EQ(e.getErrorString(2),
              "Query out of range. In function fn. Request query 2, num queries: 9 (Error repeated 4 times)");
    EXPECT_EQ(e.getErrorRepeats(2), 3);
    EXPECT_EQ(e.getErrorString(4), "Query out of range. In function fn. Request query 6, num queries: 9");
    const std::string text = logged ? slurp(log) : std::string();
    std::filesystem::remove(log);
    for (int q = 1; q <= 6; ++q)
      EXPECT_EQ(text.find("Request query " + std::to_string(q) + ",") != std::string::npos, logged) << q;
  }
}

TEST(ErrorList, EmptyListAndOutOfRangeEntries) {
  qv_errors e;
  EXPECT_EQ(e.getLastError(), 0);
  EXPECT_EQ(e.getLastErrorString(), "");
  EXPECT_TRUE(e.isValid());
  e.addError(24, "w", 2);
  EXPECT_EQ(e.getErrorString(0), "");
  EXPECT_EQ(e.getErrorString(2), "");
  EXPECT_EQ(e.getErrorString(-2), "");
  EXPECT_EQ(e.getLastError(), 24);
}

TEST(ErrorList, ValidityFollowsLevelOneEntries) {
  qv_errors e;
  e.setError(24, "k", "sec");
  EXPECT_TRUE(e.isValid());
  EXPECT_EQ(e.getLastErrorString(), "Duplicate key (k) in section sec");
  e.setError(2);
  EXPECT_FALSE(e.isValid());
  e.clearAllErrors();
  EXPECT_TRUE(e.isValid());
  EXPECT_EQ(e.getNumberOfErrors(), 0);
}

TEST(ErrorList, LevelFilterDropsAuditAndTraceByDefault) {
  qv_errors e;
  e.setError(4612, "grp", 7);
  e.setError(4912, "s");
  EXPECT_EQ(e.getNumberOfErrors(), 0);
  e.setError(99999);  // unknown numbers are ignored
  EXPECT_EQ(e.getNumberOfErrors(), 0);
  e.setLogging("", 3);
  e.setError(4612, "grp", 7);
  ASSERT_EQ(e.getNumberOfErrors(), 1);
  EXPECT_EQ(e.getLastErrorString(), "Add group: name=grp, id=7");
}

TEST(ErrorList, CopyFromKeepsEntriesWithoutFolding) {
  qv_errors a, b;
  a.addError(3, "x", 1);
  a.addError(3, "y", 1);
  a.addError(3, "z", 1);  // folded into y
  b.addError(3, "p", 1);
  b.addError(3, "q", 1);
  b.copyFrom(a);
  ASSERT_EQ(b.getNumberOfErrors(), 4);
  EXPECT_EQ(b.getErrorString(4), "y (Error repeated 2 times)");
  EXPECT_FALSE(b.isValid());
}

// Reports made on a second list and then added here leave this list exactly
// as making them here would, wherever the sequence is split.
TEST(ErrorList, AddErrorsFromFoldsAsReportingHereWould) {
  const std::vector<int> numbers = {3, 3, 4, 3, 3, 3, 3, 4, 4, 4, 3, 4, 4, 3, 3, 3};
  qv_errors direct;
  for (size_t i = 0; i < numbers.size(); ++i) direct.addError(numbers[i], "r" + std::to_string(i), 2);
  for (size_t split = 0; split <= numbers.size(); ++split) {
    qv_errors here, aside;
    for (size_t i = 0; i < numbers.size(); ++i)
      (i < split ? here : aside).addError(numbers[i], "r" + std::to_string(i), 2);
    here.addErrorsFrom(aside);
    ASSERT_EQ(here.getNumberOfErrors(), direct.getNumberOfErrors()) << split;
    for (int n = 1; n <= direct.getNumberOfErrors(); ++n) {
      EXPECT_EQ(here.getErrorNumber(n), direct.getErrorNumber(n)) << split;
      EXPECT_EQ(here.getErrorString(n), direct.getErrorString(n)) << split;
    }
  }
}

TEST(ErrorList, SystemErrorAppendsTheSystemText) {
  qv_errors e;
  errno = ENOENT;
  e.setSystemError(256, "/x/y", "reading");
  EXPECT_EQ(e.getLastErrorString(),
            "Failed to open file /x/y for reading. OS returned the following error: No such file or directory");
  // No level filter for system errors.
  e.setLogging("", 0);
  errno = EACCES;
  e.setSystemError(257, "f");
  EXPECT_EQ(e.getNumberOfErrors(), 2);
}

TEST(ErrorList, MessagesAreCutAt2047Characters) {
  qv_errors e;
  std::string big(5000, 'k');
  e.setError(5, "fn", big);
  EXPECT_EQ(e.getLastErrorString().size(), 2047u);
}

TEST(SecurityLog, HeaderOnceThenOneLinePerMessage) {
  const std::string log = tempPath("qvseclog");
  std::filesystem::remove(log);
  setenv("REMOTE_ADDR", "10.1.2.3", 1);
  qv_errors e;
  e.setLogging(log, 2);
  e.setErrorForSession("sess1", 42, 4357);
  e.setError(24, "k", "s");
  e.setError(4612, "g", 1);  // level 3: neither stored nor logged
  unsetenv("REMOTE_ADDR");
  e.setError(24, "k2", "s2");
  std::string text = slurp(log);
  std::filesystem::remove(log);
  std::istringstream lines(text);
  std::string l1, l2, l3, l4, extra;
  std::getline(lines, l1);
  std::getline(lines, l2);
  std::getline(lines, l3);
  std::getline(lines, l4);
  EXPECT_FALSE(std::getline(lines, extra));
  EXPECT_EQ(l1, "Date, IP_address, Error_number, Severity, session_name, user_id, message");
  ASSERT_GE(l2.size(), 26u);
  EXPECT_EQ(l2[0], '"');
  EXPECT_EQ(l2[25], '"');  // 24-character calendar time
  EXPECT_EQ(l2.substr(26), ",\"10.1.2.3\",4357,1,\"sess1\",42,\"Session has timed out\"");
  EXPECT_EQ(l3.substr(26), ",\"10.1.2.3\",24,2,\"\",-1,\"Duplicate key (k) in section s\"");
  EXPECT_EQ(l4.substr(26), ",\"localhost\",24,2,\"\",-1,\"Duplicate key (k2) in section s2\"");
}

TEST(SecurityLog, QuotesAreDoubledAndLineBreaksFlattened) {
  EXPECT_EQ(qv_securityLogLine("T", "a\"b", 1, 2, "s\r\nx", 5, "say \"hi\"\nforged,\"line\""),
            "\"T\",\"a\"\"b\",1,2,\"s  x\",5,\"say \"\"hi\"\" forged,\"\"line\"\"\"\n");
}

TEST(SecurityLog, UnwritableLogStillStoresTheEntry) {
  qv_errors e;
  e.setLogging("/nonexistent-dir/for/sure/log.csv", 2);
  e.setError(2);
  EXPECT_EQ(e.getNumberOfErrors(), 1);
}

}  // namespace
