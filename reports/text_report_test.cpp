// The text report on small files written by the tests: every line in its
// order, which summary each part comes from, the configuration's three
// values and the Mudpit flag, flushing before the long computations, and
// the closing "error=" line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reports/report_sink.h"
#include "reports/text_report.h"
#include "reports/xml_test_util.h"
#include "summary/summary_test_util.h"

namespace {

using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
using qvsummarytest::match;
using qvsummarytest::ScratchDir;

// Records the text written before each flush, and before each reading of
// the settings.
class RecordingSink : public qv_report_sink {
 public:
  void line(std::string_view text) override { text_.append(text); }
  void flush() override { atFlush.push_back(text_); }
  const std::string& text() const { return text_; }
  std::vector<std::string> atFlush;

 private:
  std::string text_;
};

// Queries 1 and 4 match P1 and P2; query 2 has the no-match entry; query 3
// has no rank-1 entry at all.
FileSpec msmsFile(const std::string& reptype) {
  FileSpec layout;
  layout.parameters = {"SEARCH=MIS", "ITOL=0.6", "ITOLU=Da", "ERRORTOLERANT=0", "REPTYPE=" + reptype};
  layout.header = {"sequences=20000", "sequences_after_tax=20000", "version=2.1.04", "release=TestDB_1.fasta"};
  layout.proteins = {"\"P1\"=20000.50,\"Alpha protein\"", "\"P2\"=30000.25,\"Beta protein\""};
  // The fingerprint-style hit list that a protein summary reads.
  layout.summary = {"num_hits=1", "h1=P2,99.00,0.001,30000.25,1", "h1_text=Beta protein"};
  for (int q = 1; q <= 4; ++q) {
    layout.summary.push_back("qexp" + std::to_string(q) + "=500.0,2+");
    layout.summary.push_back("qmatch" + std::to_string(q) + "=100");
    layout.queries.push_back({"title=Spectrum%20" + std::to_string(q), "num_vals=2", "Ions1=100.0:5,200.0:7"});
  }
  layout.peptides = {
      "q1_p1=" + match("PEPTIDEK", 45.5, "\"P1\":0:10:17:1"),
      "q1_p2=" + match("SAMPLER", 30, "\"P2\":0:5:11:1"),
      "q2_p1=-1",
      "q4_p1=" + match("PEPTIDER", 12.25, "\"P2\":0:50:57:1,\"P1\":0:70:77:1"),
  };
  return layout;
}

qv_text_report_settings valid(int mudpit, double floor = 0.0, int minLength = 0) {
  return {true, minLength, floor, mudpit};
}

class TextReportTest : public ::testing::Test {
 protected:
  std::string report(const FileSpec& layout, qv_text_report_settings settings = valid(1000)) {
    RecordingSink sink;
    qv_writeTextReport(dir_.write("r.dat", buildFile(layout)), sink, [&] {
      ++settingsRead_;
      return settings;
    });
    return sink.text();
  }
  std::string path(const std::string& name) const { return dir_.path() + "/" + name; }
  int settingsRead_ = 0;
  ScratchDir dir_;
};

// The lines of queries 1 to 4 in either report of msmsFile: the no-match
// entry of query 2 gives a score of 0; query 3, without a rank-1 entry, has
// its description alone, and the failed look-up is the file's last message.
const std::string kQueryLines =
    "ionquery1= from(500.0,2+)  title(Spectrum%201)  query(1)\n"
    "score1=45.5\n"
    "sigscore1=20\n"
    "ionquery2= from(500.0,2+)  title(Spectrum%202)  query(2)\n"
    "score2=0\n"
    "sigscore2=20\n"
    "ionquery3= from(500.0,2+)  title(Spectrum%203)  query(3)\n"
    "ionquery4= from(500.0,2+)  title(Spectrum%204)  query(4)\n"
    "score4=12.25\n"
    "sigscore4=20\n"
    "selectpeptides=1\n"
    "error=Could not retrieve peptide. Requested query 3, hit 1 in function qv_peptidesummary::getPeptide\n";

TEST_F(TextReportTest, PeptideReportOfAnMsmsSearch) {
  EXPECT_EQ(report(msmsFile("peptide")), "file=" + path("r.dat") +
                                             "\n"
                                             "release=TestDB_1.fasta\n"
                                             "queries=4\n"
                                             "num_hits=2\n"
                                             "h1=P1,57.75,1.00,20000.5\n"
                                             "h1_text=Alpha protein\n"
                                             "reptype=peptide\n"
                                             "sigscoreprot=56\n" +
                                             kQueryLines);
  EXPECT_EQ(settingsRead_, 1);
}

TEST_F(TextReportTest, ReportTypeIsComparedInLowerCase) {
  const std::string lower = report(msmsFile("peptide"));
  EXPECT_EQ(report(msmsFile("PePtIdE")), lower);
}

TEST_F(TextReportTest, ProteinReportOfAnMsmsSearchTakesTheQueriesFromAPeptideSummary) {
  // The hit comes from the protein summary (the file's hit list), the
  // per-query lines from a peptide summary made afterwards.
  EXPECT_EQ(report(msmsFile("protein")), "file=" + path("r.dat") +
                                             "\n"
                                             "release=TestDB_1.fasta\n"
                                             "queries=4\n"
                                             "num_hits=1\n"
                                             "h1=P2,99,1.00,30000.2\n"
                                             "h1_text=Beta protein\n"
                                             "reptype=protein\n"
                                             "sigscoreprot=56\n" +
                                             kQueryLines);
}

TEST_F(TextReportTest, MudpitThresholdAddsThresholdScoring) {
  // Four queries: a Mudpit value of 3 turns on scoring by the excess over
  // each peptide's threshold (flag 0x40), 4 does not.
  const std::string plain = report(msmsFile("peptide"), valid(4));
  const std::string mudpit = report(msmsFile("peptide"), valid(3));
  EXPECT_NE(plain.find("\nh1=P1,57.75,1.00,"), std::string::npos) << plain;
  EXPECT_NE(mudpit.find("\nh1=P1,45.5,1.00,"), std::string::npos) << mudpit;
  // An invalid configuration gives the defaults, whatever values it holds.
  EXPECT_EQ(report(msmsFile("peptide"), {false, 9, 99.0, 0}), plain);
}

TEST_F(TextReportTest, IonsScoreFloorDropsWeakPeptidesFromTheHit) {
  // A floor of 20 drops query 4's peptide (12.25) from P1's score; 50 drops
  // every peptide and so every hit.
  EXPECT_NE(report(msmsFile("peptide"), valid(1000, 20.0)).find("\nh1=P1,45.5,1.00,"), std::string::npos);
  EXPECT_NE(report(msmsFile("peptide"), valid(1000, 50.0)).find("\nnum_hits=0\nreptype=peptide\n"),
            std::string::npos);
  // The floor is not given to the peptide summary of a protein report.
  EXPECT_EQ(report(msmsFile("protein"), valid(1000, 50.0)), report(msmsFile("protein")));
}

TEST_F(TextReportTest, FingerprintSearchHasNoScoreLines) {
  FileSpec layout;
  layout.parameters = {"SEARCH=PMF", "ERRORTOLERANT=0", "REPTYPE=peptide"};
  layout.summary = {"qexp1=1000.0,1+", "qexp2=1200.0,1+", "num_hits=1", "h1=ACC1,80.50,0.001,11111.10,1",
                  "h1_text=First", "h1_q1=0,1000.000000,0.010000,10,14,0,AMAAK,0,0000000,0.00,1,,0,0"};
  layout.queries = {{"title=q1"}, {"title=q2"}};
  layout.proteins = {"\"ACC1\"=11000.50,\"Protein one.\""};
  EXPECT_EQ(report(layout),
            "file=" + path("r.dat") +
                "\n"
                "release=\n"
                "queries=2\n"
                "num_hits=1\n"
                "h1=ACC1,80.5,1.00,11000.5\n"
                "h1_text=Protein one.\n"
                "reptype=peptide\n"
                "sigscoreprot=56\n"
                "ionquery1= from(1000.0,1+)  title(q1) \n"
                "ionquery2= from(1200.0,1+)  title(q2) \n"
                "selectpeptides=0\n");
}

TEST_F(TextReportTest, InvalidFileGivesTheErrorLineAlone) {
  RecordingSink sink;
  int reads = 0;
  qv_writeTextReport(path("missing.dat"), sink, [&] {
    ++reads;
    return valid(1000);
  });
  EXPECT_EQ(sink.text(), "error=The results file could not be opened\n");
  EXPECT_EQ(reads, 0);
}

using qvreporttest::LeavingSink;

// A report whose reader has gone stops at its next step: no summary is
// built for nobody, no further query is worked out. Its lines so far are
// those the reader was given, and the lines of the step it was on.
TEST_F(TextReportTest, ReportStopsAtItsNextStepOnceItsReaderHasGone) {
  const std::string whole = report(msmsFile("protein"));
  const struct {
    std::string last;  // the reader goes after this
    std::string end;   // the report's last line
  } cases[] = {
      {"", "queries=4\n"},                             // before the first summary
      {"queries=4\n", "queries=4\n"},
      {"sigscoreprot=56\n", "sigscoreprot=56\n"},     // before the second summary
      {"ionquery1=", "sigscore1=20\n"},                // the query in writing is finished
      {"sigscore1=20\n", "sigscore1=20\n"},
      {"ionquery3=", "query(3)\n"},                    // and no message of what was left
  };
  for (const auto& c : cases) {
    LeavingSink sink(c.last);
    qv_writeTextReport(path("r.dat"), sink, [] { return valid(1000); });
    EXPECT_TRUE(sink.text().ends_with(c.end)) << c.last << ":\n" << sink.text();
    EXPECT_EQ(whole.substr(0, sink.text().size()), sink.text()) << c.last;
  }
}

TEST_F(TextReportTest, WrittenLinesAreFlushedBeforeTheSettingsAndEachSummary) {
  RecordingSink sink;
  std::vector<std::string> beforeSettings;
  qv_writeTextReport(dir_.write("r.dat", buildFile(msmsFile("protein"))), sink, [&] {
    beforeSettings = sink.atFlush;
    return valid(1000);
  });
  ASSERT_EQ(beforeSettings.size(), 1u);
  EXPECT_TRUE(beforeSettings[0].ends_with("queries=4\n")) << beforeSettings[0];
  // Before the protein summary, before the peptide summary, and at the end.
  ASSERT_EQ(sink.atFlush.size(), 4u);
  EXPECT_EQ(sink.atFlush[1], sink.atFlush[0]);
  EXPECT_TRUE(sink.atFlush[2].ends_with("sigscoreprot=56\n")) << sink.atFlush[2];
  EXPECT_EQ(sink.atFlush[3], sink.text());
}

}  // namespace
