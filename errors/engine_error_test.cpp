// The engine error table and the reporter's outputs. Behaviour that belongs
// to a process (standard output, the logs, the exit status) is watched
// through engine_report_probe run as a real process.
#include "errors/engine_error.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "errors/engine_error_table.h"
#include "errors/engine_settings.h"
#include "testsupport/server_tree.h"

namespace {

const std::string kProbe = "engine_report_probe";
// True when `t` is a 24-character calendar time such as "Sun Dec  6 07:08:04 2026".
bool isCalendarTime(std::string_view t) {
  const std::string_view shape = "Aaa Aaa _9 99:99:99 9999";
  if (t.size() != shape.size()) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    const char c = t[i];
    switch (shape[i]) {
      case 'A':
        if (c < 'A' || c > 'Z') return false;
        break;
      case 'a':
        if (c < 'a' || c > 'z') return false;
        break;
      case '9':
        if (c < '0' || c > '9') return false;
        break;
      case '_':
        if (c != ' ' && (c < '0' || c > '9')) return false;
        break;
      default:
        if (c != shape[i]) return false;
    }
  }
  return true;
}

// `text` with every calendar time written as "<TIME>".
std::string maskTimes(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (i + 24 <= text.size() && isCalendarTime(std::string_view(text).substr(i, 24))) {
      out += "<TIME>";
      i += 24;
    } else {
      out += text[i++];
    }
  }
  return out;
}

qvtest::RunResult probe(const qvtest::ServerTree& tree, std::vector<std::string> args) {
  return tree.runProgram(qvtest::programPath(kProbe), args);
}

TEST(EngineErrorTable, RowsAreNumberedAndNamedInOrder) {
  std::set<std::string> names;
  for (int n = 0; n < QV_ENGINE_ERROR_COUNT; ++n) {
    const qv_engine_error_row& row = qv_engine_error_table[n];
    EXPECT_EQ(row.number, n);
    EXPECT_GE(row.category, 0);
    EXPECT_LT(row.category, QV_ENGINE_CATEGORY_COUNT);
    ASSERT_NE(row.format, nullptr);
    EXPECT_NE(std::string(row.format), "") << n;
    EXPECT_NE(std::string(row.help), "") << n;
    if (row.identifier[0] != '\0') {
      EXPECT_TRUE(names.insert(row.identifier).second) << row.identifier;
    }
  }
  EXPECT_EQ(names.size(), 446u);
  const qv_engine_error_row& end = qv_engine_error_table[QV_ENGINE_ERROR_COUNT];
  EXPECT_EQ(end.number, -1);
  EXPECT_STREQ(end.format, "");
  EXPECT_STREQ(qv_engine_error_table[ERR_TASKID_INVALID].identifier, "ERR_TASKID_INVALID");
  EXPECT_STREQ(qv_engine_error_table[ERR_READING_FILE_QUIET].identifier, "ERR_READING_FILE_QUIET");
}

TEST(EngineErrorTable, RowsOfTheLowerLayersReadAsTheSystemPrintsThem) {
  const std::map<int, std::pair<int, std::string>> rows = {
      {12, {3, "Can't open %s for \"%s\". Error %s"}},
      {38, {12, "Debug string:%s"}},
      {49, {6, "Failed to create memory map ** for %s. Error %s"}},
      {143, {10, "Error setting/getting security rights for file/memory. Error %d in %s"}},
      {267, {11, "Failed to lock file %s- error  %s"}},
      {283, {6, "Failed to get info back from qv-lockmem. Continuing..."}},
      {322, {11, "Failed to write temporary file (%s) for mail message"}},
      {353, {6, "Failed to close the Windows socket library : error %d"}},
      {409, {11, "Error '%s' trying to read from file %s"}},
      {412, {1, "There is an error in a configuration file: %s"}},
      {452, {10, "qv-searchcontrol is incompatible with the current Tarnel version"}},
      {454, {0, "Cannot use taskID %.0f. Perhaps, it is beign used by another search"}},
  };
  for (const auto& [n, want] : rows) {
    EXPECT_EQ(qv_engine_error_table[n].category, want.first) << n;
    EXPECT_EQ(qv_engine_error_table[n].format, want.second) << n;
  }
  EXPECT_EQ(qv_engine_categories[0].flags, 0x002u);
  EXPECT_EQ(std::string(qv_engine_categories[0].prefix).substr(0, 4), "<BR>");
  EXPECT_EQ(qv_engine_categories[16].flags, 0x121u);
  EXPECT_EQ(qv_engine_categories[21].prefix, nullptr);
  EXPECT_STREQ(qv_engine_categories[21].suffix, "Please try again in a few minutes");
  // Numbers outside the table only reach the error log.
  EXPECT_EQ(qv_engine_categories[QV_ENGINE_UNKNOWN_NUMBER_CATEGORY].flags & ~0x004u, 0u);
}

TEST(EngineReporter, DefaultSettingsNameTheServersLogs) {
  EXPECT_EQ(getEngineSettings().errorLogFile, "../logs/errorlog.txt");
  EXPECT_EQ(getEngineSettings().monitorLogFile, "../logs/monitor.log");
  EXPECT_EQ(getEngineSettings().ipcLogFile, "../logs/IPC.log");
  EXPECT_EQ(getEngineSettings().ntIUserGroup, "Guests");
}

TEST(EngineReporter, SourceStemAndEscaping) {
  EXPECT_EQ(engineSourceStem("C:\\src\\dir\\qv_uniquetask.cpp"), "qv_uniquetask");
  EXPECT_EQ(engineSourceStem("C:\\src\\dir/x.cpp"), "dir/x");  // a backslash decides
  EXPECT_EQ(engineSourceStem("/work/registry/mmapfile.test.cpp"), "mmapfile");
  EXPECT_EQ(engineSourceStem("plain"), "plain");
  EXPECT_EQ(engineSourceStem(""), "");
  EXPECT_EQ(engineEscapeAngles("a<b>c<<"), "a&lt;b&gt;c&lt;&lt;");
}

TEST(EngineReporter, FatalRowWritesTheLogRecordTheHtmlAndExitsWithTheNumber) {
  qvtest::ServerTree tree;
  auto r = probe(tree, {"12", "-21", "42", "C:\\src\\qv_uniquetask.cpp", "../data/a<b>", "r", "No such file"});
  EXPECT_EQ(r.status, 12);
  EXPECT_EQ(r.out,
            "The following serious error has occured:<BR>\n"
            "Can't open ../data/a<b> for \"r\". Error No such file [M00012]<BR>\n"
            "Please try again later<BR>\n");
  EXPECT_EQ(maskTimes(tree.read("logs/errorlog.txt")),
            "Error [M00012 - Job -21 - X00042:qv_uniquetask] - <TIME>\n"
            "   - Can't open ../data/a&lt;b&gt; for \"r\". Error No such file\n\n");
}

TEST(EngineReporter, NumbersAbove255ExitWith255) {
  qvtest::ServerTree tree;
  auto r = probe(tree, {"300", "-1", "7", "monitor.cpp", "stopped"});
  EXPECT_EQ(r.status, 255);
  EXPECT_EQ(r.out, "Monitor main state changed to stopped [M00300]<BR>\n");
  EXPECT_NE(tree.read("logs/errorlog.txt").find("Error [M00300 - Job -1 - X00007:monitor]"), std::string::npos);
}

TEST(EngineReporter, MessagesOfUpTo5000CharactersAreReportedLongerOnesDropped) {
  qvtest::ServerTree tree;
  const std::string prefix = "Debug string:";
  auto whole = probe(tree, {"38", "-1", "1", "x.cpp", std::string(5000 - prefix.size(), 'a')});
  EXPECT_EQ(whole.status, 0);
  EXPECT_EQ(whole.out, prefix + std::string(5000 - prefix.size(), 'a') + " [M00038]<BR>\n");
  std::string log = tree.read("logs/errorlog.txt");
  EXPECT_NE(log.find("   - " + prefix + std::string(4987, 'a') + "\n\n"), std::string::npos);

  qvtest::ServerTree tree2;
  auto dropped = probe(tree2, {"38", "-1", "1", "x.cpp", std::string(5001 - prefix.size(), 'a')});
  EXPECT_EQ(dropped.status, 0);
  EXPECT_EQ(dropped.out, "");
  EXPECT_FALSE(tree2.exists("logs/errorlog.txt"));
  // Too long for the fatal row too: no output and no exit.
  auto fatal = probe(tree2, {"12", "-1", "1", "x.cpp", std::string(5000, 'p'), "r", "e"});
  EXPECT_EQ(fatal.status, 0);
  EXPECT_EQ(fatal.out, "");
}

TEST(EngineReporter, MonitorLogEscapesIpcLogDoesNot) {
  qvtest::ServerTree tree;
  auto locked = probe(tree, {"74", "5", "9", "mm.cpp", "<ctl>"});
  EXPECT_EQ(locked.status, 0);
  EXPECT_EQ(locked.out, "Locked memory for file <ctl> [M00074]<BR>\n");  // category 13 shows it
  EXPECT_FALSE(tree.exists("logs/errorlog.txt"));
  EXPECT_EQ(maskTimes(tree.read("logs/monitor.log")), "<TIME> - Locked memory for file &lt;ctl&gt;\n");

  auto ipc = probe(tree, {"190", "7", "123", "C:\\x\\sock.cpp", "<refused>"});
  EXPECT_EQ(ipc.out, "");
  EXPECT_EQ(maskTimes(tree.read("logs/IPC.log")), "<TIME> Job     7  sock 123 - Cannot create a socket: <refused>\n");
  EXPECT_FALSE(tree.exists("logs/errorlog.txt"));
}

TEST(EngineReporter, UnknownNumbersOnlyLog) {
  qvtest::ServerTree tree;
  for (const char* n : {"456", "-1", "99999"}) {
    auto r = probe(tree, {n, "-1", "1", "u.cpp", "ignored"});
    EXPECT_EQ(r.status, 0) << n;
    EXPECT_EQ(r.out, "") << n;
  }
  std::string log = tree.read("logs/errorlog.txt");
  EXPECT_NE(log.find("Error [M00456 - Job -1 - X00001:u]"), std::string::npos);
  EXPECT_NE(log.find("Error [M99999 - Job -1"), std::string::npos);
  size_t count = 0;
  for (size_t at = log.find("   - Unknown error number\n\n"); at != std::string::npos;
       at = log.find("   - Unknown error number\n\n", at + 1)) {
    ++count;
  }
  EXPECT_EQ(count, 3u);
}

TEST(EngineReporter, MissingLogDirectoriesAreSkippedSilently) {
  qvtest::ServerTree tree;
  auto r = probe(tree, {"--errorlog", "../nowhere/errorlog.txt", "412", "-1", "1", "c.cpp", "bad line"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            "Warning:<BR>\nThere is an error in a configuration file: bad line [M00412]<BR>\n"
            "Your search is continuing...<BR>\n");
}

TEST(EngineReporter, RetainedListKeepsTheFirst100) {
  qvtest::ServerTree tree;
  auto r = probe(tree, {"--retained", "--repeat", "105", "412", "-1", "1", "c.cpp", "line %i"});
  EXPECT_EQ(r.status, 0);
  std::string tail = r.out.substr(r.out.find("retained="));
  EXPECT_EQ(tail.substr(0, 13), "retained=100\n");
  EXPECT_NE(tail.find("There is an error in a configuration file: line #99\n"), std::string::npos);
  EXPECT_EQ(tail.find("line #100"), std::string::npos);
  // Rows without the retain flag are not kept.
  auto other = probe(tree, {"--retained", "38", "-1", "1", "c.cpp", "x"});
  EXPECT_NE(other.out.find("retained=0\n"), std::string::npos);
}

TEST(EngineReporter, ConcurrentProcessesNeverInterleaveOrLoseRecords) {
  qvtest::ServerTree tree;
  constexpr int kProcesses = 16;
  constexpr int kReports = 200;
  // Long messages make a torn or interleaved record easy to see.
  const std::string filler(1500, 'z');
  std::vector<std::thread> threads;
  std::vector<int> statuses(kProcesses, -1);
  for (int p = 0; p < kProcesses; ++p) {
    threads.emplace_back([&, p] {
      auto r = probe(tree, {"--repeat", std::to_string(kReports), "38", std::to_string(p), "1", "c.cpp",
                            "p" + std::to_string(p) + " %i " + filler});
      statuses[p] = r.status;
    });
  }
  for (auto& t : threads) t.join();
  for (int s : statuses) EXPECT_EQ(s, 0);

  std::string log = tree.read("logs/errorlog.txt");
  std::set<std::pair<int, int>> seen;
  size_t pos = 0;
  size_t records = 0;
  while (pos < log.size()) {
    size_t eol = log.find('\n', pos);
    ASSERT_NE(eol, std::string::npos) << "torn record at " << pos;
    const std::string head = maskTimes(log.substr(pos, eol - pos));
    const std::string lead = "Error [M00038 - Job ";
    ASSERT_EQ(head.compare(0, lead.size(), lead), 0) << "bad header at " << pos << ": " << head.substr(0, 120);
    const int job = std::atoi(head.c_str() + lead.size());
    ASSERT_EQ(head, lead + std::to_string(job) + " - X00001:c] - <TIME>") << "bad header at " << pos;
    const std::string body = "   - Debug string:p" + std::to_string(job) + " #";
    ASSERT_EQ(log.compare(eol + 1, body.size(), body), 0) << "bad message at " << eol + 1;
    size_t at = eol + 1 + body.size();
    size_t space = log.find(' ', at);
    ASSERT_NE(space, std::string::npos);
    const int index = std::stoi(log.substr(at, space - at));
    ASSERT_EQ(log.compare(space + 1, filler.size() + 2, filler + "\n\n"), 0) << "bad message end at " << space;
    EXPECT_TRUE(seen.insert({job, index}).second);
    ++records;
    pos = space + 1 + filler.size() + 2;
  }
  EXPECT_EQ(records, static_cast<size_t>(kProcesses * kReports));
  EXPECT_EQ(seen.size(), static_cast<size_t>(kProcesses * kReports));
}

TEST(EngineReporter, MailedRowsReachTheMailCommand) {
  qvtest::ServerTree tree;
  const std::string out = tree.path("mailout");
  tree.write("mailout/.keep", "");
  tree.write("tmp/.keep", "");
  const std::string sendmail = qvtest::sourceDir() + "/errors/testdata/sendmail-standin.sh " + out;
  // Row 0 is mailed and fatal; its number is also the exit status.
  auto r = probe(tree, {"--mail", "2", "admin@example.org", sendmail, tree.path("tmp/MXXXXXX"), "0", "-1", "3",
                        "alloc.cpp", "i:5", "x"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Failed to allocate 5 bytes of memory for x [M00000]<BR>\n"), std::string::npos);
  EXPECT_EQ(tree.read("mailout/args"), "admin@example.org\n");
  EXPECT_EQ(maskTimes(tree.read("mailout/stdin")),
            "To: Tarnel administrator <admin@example.org>\n"
            "Subject: Serious problem on web site - urgent\n"
            "From:  ()\n"
            "Error [M0   0 - Job -1 - X   3:alloc] - <TIME>\n"
            "Failed to allocate 5 bytes of memory for x\n\n\n"
            ".\n");
}

}  // namespace
