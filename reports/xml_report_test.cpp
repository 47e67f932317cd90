// The XML report of small files written here: the report size, peak list
// indexes, the MS/MS block with its gaps, no-match queries, fallbacks and
// substitutions, the fingerprint block with a mixture, the answer for an
// invalid file, and values that would break the document if written raw.
// Every document is checked against the shipped schema.
#include "reports/xml_report.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "reports/report_numbers.h"
#include "reports/xml_test_util.h"
#include "results/qv_resultsfile.h"
#include "summary/qv_peptidesummary.h"
#include "summary/summary_test_util.h"

using qvreporttest::linesStartingWith;
using qvreporttest::reportOf;
using qvreporttest::schemaErrors;
using qvsummarytest::buildFile;
using qvsummarytest::FileSpec;
using qvsummarytest::match;
using qvsummarytest::ScratchDir;

namespace {

constexpr qv_report_size kAuto{999999, 0.05};

TEST(ReportSize, AutoFileAndNumbersInAnyLetterCase) {
  EXPECT_EQ(qv_reportSize("AUTO", 20), kAuto);
  EXPECT_EQ(qv_reportSize("auto", 20), kAuto);
  EXPECT_EQ(qv_reportSize("aUtO", 20), kAuto);
  EXPECT_EQ(qv_reportSize("0", 20), kAuto);
  EXPECT_EQ(qv_reportSize("many", 20), kAuto);
  EXPECT_EQ(qv_reportSize("", 20), kAuto);
  EXPECT_EQ(qv_reportSize("25", 20), (qv_report_size{25, 0.0}));
  EXPECT_EQ(qv_reportSize(" 25x", 20), (qv_report_size{25, 0.0}));
  EXPECT_EQ(qv_reportSize("-3", 20), (qv_report_size{-3, 0.0}));
  EXPECT_EQ(qv_reportSize("99999999999", 20), (qv_report_size{2147483647, 0.0}));
  EXPECT_EQ(qv_reportSize("FILE", 20), (qv_report_size{20, 0.0}));
  EXPECT_EQ(qv_reportSize("file", 20), (qv_report_size{20, 0.0}));
  EXPECT_EQ(qv_reportSize("File", 0), kAuto);
  EXPECT_EQ(qv_reportSize("FILES", 20), kAuto);
}

TEST(PeakListIndex, LeadingDigitsOrDigitsAfterABackslash) {
  EXPECT_EQ(qv_peakListIndex("12:scan 40", 3), 12);
  EXPECT_EQ(qv_peakListIndex("C:\\data\\7:run", 3), 7);
  EXPECT_EQ(qv_peakListIndex("x\\12\\5:y", 3), 5);   // the first backslash is followed by digits and "\"
  EXPECT_EQ(qv_peakListIndex("x\\:y", 3), 0);        // no digits between backslash and colon
  EXPECT_EQ(qv_peakListIndex("Spectrum one", 3), 3);
  EXPECT_EQ(qv_peakListIndex("12345", 3), 3);         // digits only
  EXPECT_EQ(qv_peakListIndex("12 x:", 3), 3);         // leading digits not followed by ":"
  EXPECT_EQ(qv_peakListIndex("12\\7:x", 3), 3);       // starts with a digit: no backslash search
  EXPECT_EQ(qv_peakListIndex("", 3), 3);
  EXPECT_EQ(qv_peakListIndex(":5", 3), 3);
  EXPECT_EQ(qv_peakListIndex("a\\", 3), 3);
  EXPECT_EQ(qv_peakListIndex("99999999999:x", 3), 2147483647);
}

class XmlReportTest : public ::testing::Test {
 protected:
  // The report of `layout`, checked against the schema.
  std::string report(const FileSpec& layout, std::string_view top = "AUTO") {
    const std::string text = reportOf(dir_.write("r.dat", buildFile(layout)), top);
    EXPECT_EQ(schemaErrors(text), "");
    return text;
  }
  // The lines from the first that starts with `from` to the first after it
  // that starts with `to`, both included.
  static std::string block(const std::string& text, std::string_view from, std::string_view to) {
    const size_t a = text.find(std::string("\n") + std::string(from));
    if (a == std::string::npos) return "<no " + std::string(from) + ">";
    const size_t b = text.find(std::string("\n") + std::string(to), a + 1);
    if (b == std::string::npos) return "<no " + std::string(to) + ">";
    return text.substr(a + 1, text.find('\n', b + 1) - a);
  }
  ScratchDir dir_;
};

FileSpec fingerprintFile();

FileSpec msmsFile() {
  FileSpec layout;
  layout.parameters = {"SEARCH=MIS", "COM=MS/MS test", "ITOL=0.6", "ITOLU=Da", "ERRORTOLERANT=0", "REPORT=20",
                     "_server_note=kept", "USERNAME=not user-defined"};
  layout.proteins = {"\"P1\"=20000.50,\"Alpha protein (human). A description longer than forty bytes\"",
                   "\"P2\"=30000.25,\"Beta_2\""};
  for (int q = 1; q <= 6; ++q) {
    layout.summary.push_back("qexp" + std::to_string(q) + "=500.0,2+");
    layout.summary.push_back("qmatch" + std::to_string(q) + "=100");
  }
  layout.peptides = {
      // Query 1: ranks 1, 2 and 4; rank 3 has no line.
      "q1_p1=" + match("PEPTIDEK", 45.5, "\"P1\":0:10:17:1"),
      "q1_p2=" + match("SAMPLER", 30, "\"P2\":0:5:11:1,\"P1\":0:40:46:1"),
      "q1_p4=" + match("MMMK", 20.2, "\"P2\":0:30:33:1", "000100"),
      // Query 2: no match at all.
      "q2_p1=-1",
      // Query 3: matches scoring 0 keep no proteins; the raw value names them.
      "q3_p1=" + match("DDDK", 0, "\"P9\":2:1:4:1"),
      "q3_p2=" + match("EEEK", 0, "\"P1\":1:1:4:1"),
      "q3_p3=" + match("FFFK", 0, "no quotes here"),
      // Query 4: a substitution and a neutral loss; modifications all "0".
      "q4_p1=" + match("PEPTIDEK", 38, "\"P2\":0:50:57:1"),
      "q4_p1_subst=2,E,X",
      "q4_p1_primary_nl=0000000010",
      "q5_p1=-1",
      "q6_p1=-1",
  };
  layout.queries = {{"title=Spectrum%201"}, {"title=12%3aSpectrum two"}, {"title=C%3a%5cdata%5c7%3arun"},
                  {"title=12345"},        {"title="},                  {"title=7"}};
  return layout;
}

TEST_F(XmlReportTest, MsmsQueriesWithGapsNoMatchesFallbacksAndSubstitutions) {
  const std::string text = report(msmsFile());
  EXPECT_EQ(block(text, "<SearchTypeMIS>", "</SearchTypeMIS>"),
            "<SearchTypeMIS>\n"
            "<query Query=\"1\" PeakListIndex=\"1\">\n"
            "<peptide  hitnum=\"1\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"PEPTIDEK\" exp=\"0.000140919\" "
            "modStr=\"\" NLs=\"\" ion_score=\"46\">\n"
            " <protein  acc=\"P1\" frame=\"0\" score=\"46\" "
            "desc=\"Alpha%20protein%20%28human%29%2e%20A%20description%20lon\" queryMatch=\"1\" />\n"
            "</peptide>\n"
            "<peptide  hitnum=\"2\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"SAMPLER\" exp=\"0.005\" "
            "modStr=\"\" NLs=\"\" ion_score=\"30\">\n"
            " <protein  acc=\"P2\" frame=\"0\" score=\"68\" desc=\"Beta_2\" queryMatch=\"2\" />\n"
            "</peptide>\n"
            "<peptide  hitnum=\"4\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"MMMK\" exp=\"0.0477496\" "
            "modStr=\"000100\" NLs=\"\" ion_score=\"20\">\n"
            " <protein  acc=\"P2\" frame=\"0\" score=\"68\" desc=\"Beta_2\" queryMatch=\"2\" />\n"
            "</peptide>\n"
            "</query>\n"
            "<query Query=\"2\" PeakListIndex=\"12\">\n"
            "</query>\n"
            "<query Query=\"3\" PeakListIndex=\"7\">\n"
            "<peptide  hitnum=\"1\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"DDDK\" exp=\"5\" "
            "modStr=\"\" NLs=\"\" ion_score=\"0\">\n"
            " <protein  acc=\"P9\" frame=\"2\" />\n"
            "</peptide>\n"
            "<peptide  hitnum=\"2\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"EEEK\" exp=\"5\" "
            "modStr=\"\" NLs=\"\" ion_score=\"0\">\n"
            " <protein  acc=\"P1\" frame=\"1\" score=\"46\" "
            "desc=\"Alpha%20protein%20%28human%29%2e%20A%20description%20lon\" queryMatch=\"1\" />\n"
            "</peptide>\n"
            "<peptide  hitnum=\"3\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"FFFK\" exp=\"5\" "
            "modStr=\"\" NLs=\"\" ion_score=\"0\">\n"
            " <protein  acc=\"\" frame=\"0\" />\n"
            "</peptide>\n"
            "</query>\n"
            "<query Query=\"4\" PeakListIndex=\"4\">\n"
            "<peptide  hitnum=\"1\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"PXPTIDEK\" exp=\"0.000792447\" "
            "modStr=\"\" NLs=\"0000000010\" ion_score=\"38\">\n"
            " <protein  acc=\"P2\" frame=\"0\" score=\"68\" desc=\"Beta_2\" queryMatch=\"2\" />\n"
            "</peptide>\n"
            "</query>\n"
            "<query Query=\"5\" PeakListIndex=\"5\">\n"
            "</query>\n"
            "<query Query=\"6\" PeakListIndex=\"6\">\n"
            "</query>\n"
            "</SearchTypeMIS>\n");
}

TEST_F(XmlReportTest, ExpectationValuesAreTheSummarysWhateverTheQmatchAndScore) {
  // The report works out a query's part of the expectation value once per
  // query; every match must still get the summary's value.
  const std::vector<std::string> qmatches = {"", "0", "-5", "1", "123.456", "1e300", "abc", "1e-320", "7"};
  const std::vector<double> scores = {45.5, 0, -3, 0.01, 13.37, 99.99, 1000};
  FileSpec layout;
  layout.parameters = {"SEARCH=MIS", "ITOL=0.6", "ERRORTOLERANT=0"};
  layout.proteins = {"\"P1\"=20000.50,\"Alpha\""};
  for (size_t i = 0; i < qmatches.size(); ++i) {
    const std::string q = std::to_string(i + 1);
    if (!qmatches[i].empty()) layout.summary.push_back("qmatch" + q + "=" + qmatches[i]);
    for (size_t p = 0; p < scores.size(); ++p)
      layout.peptides.push_back("q" + q + "_p" + std::to_string(p + 1) + "=" +
                                match("PEPTIDEK", scores[(p + i) % scores.size()], "\"P1\":0:10:17:1"));
    layout.queries.push_back({"title=" + q});
  }
  const std::string path = dir_.write("r.dat", buildFile(layout));
  const std::string text = reportOf(path, "AUTO");

  const qv_resultsfile file(path, 0, "<!-- %d seconds -->\n");
  const qv_peptidesummary summary(file, 1, kAuto.minProbability, kAuto.maxHits, std::nullopt, 0.0, 0, std::nullopt);
  std::string expected;
  for (int q = 1; q <= static_cast<int>(qmatches.size()); ++q)
    for (int p = 1; p <= static_cast<int>(scores.size()); ++p) {
      const std::optional<qv_peptide> m = summary.getPeptideCopy(q, p);
      ASSERT_TRUE(m.has_value());
      expected += "exp=\"";
      qv_reports::appendDouble(expected, summary.getPeptideExpectationValue(m->getIonsScore(), q));
      expected += "\"\n";
    }
  std::string written;
  for (size_t at = text.find(" exp=\""); at != std::string::npos; at = text.find(" exp=\"", at + 1))
    written += text.substr(at + 1, text.find('"', at + 6) - at) + "\n";
  EXPECT_EQ(written, expected);
  EXPECT_NE(expected.find("exp=\"0\""), std::string::npos);           // queries without a qmatch
  EXPECT_NE(expected.find("exp=\"0.35\"\nexp=\"0.35\""), std::string::npos);  // scores 0 and -3, qmatch 7
}

TEST_F(XmlReportTest, AFallbackWithoutTwoQuotesNamesNoProteinEvenAnEmptyOne) {
  FileSpec layout = msmsFile();
  // A match listing an empty accession puts a protein "" into the summary.
  layout.peptides.push_back("q5_p2=" + match("GGGK", 25, "\"\":0:1:4:1"));
  const std::string text = report(layout);
  EXPECT_EQ(linesStartingWith(text, " <protein  acc=\"\""),
            " <protein  acc=\"\" frame=\"0\" />\n"  // query 3, rank 3: no quotes
            " <protein  acc=\"\" frame=\"0\" score=\"25\" desc=\"\" queryMatch=\"1\" />\n");
}

TEST_F(XmlReportTest, DocumentFrameParametersAndUserDefinedParameters) {
  const std::string path = dir_.write("r.dat", buildFile(msmsFile()));
  const std::string text = reportOf(path, "file");
  EXPECT_EQ(schemaErrors(text), "");
  const std::string ns = "http://www.sorvanter.example/xmlns/schema/sorvanter_tarnel_search_1";
  const std::string head =
      "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\n"
      "\n"
      "<SorvanterTarnelSearch majorVersion=\"1\" minorVersion=\"0\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns=\"" + ns + "\" xsi:schemaLocation=\"" + ns +
      " " + ns + "/sorvanter_tarnel_search_1.xsd\" File=\"" + path + "\">\n"
      "<SearchParameters>\n"
      "<Parameter name=\"SEARCH\" value=\"MIS\" />\n"
      "<Parameter name=\"COM\" value=\"MS/MS test\" />\n"
      "<Parameter name=\"DB\" value=\"\" />\n"
      "<Parameter name=\"CLE\" value=\"\" />\n"
      "<Parameter name=\"TAXONOMY\" value=\"\" />\n"
      "<Parameter name=\"ITOL\" value=\"0.6\" />\n"
      "<Parameter name=\"ITOLU\" value=\"Da\" />\n"
      "<Parameter name=\"TOL\" value=\"0\" />\n"
      "<Parameter name=\"TOLU\" value=\"\" />\n"
      "<Parameter name=\"INSTRUMENT\" value=\"\" />\n"
      "<Parameter name=\"PFA\" value=\"-1\" />\n"
      "<Parameter name=\"SEG\" value=\"-1\" />\n"
      "<Parameter name=\"ICAT\" value=\"0\" />\n"
      "<Parameter name=\"MODS\" value=\"\" />\n"
      "<Parameter name=\"IT_MODS\" value=\"\" />\n"
      "<Parameter name=\"REPORT\" value=\"20\" />\n"
      "<Parameter name=\"MASS\" value=\"\" />\n"
      "</SearchParameters>\n"
      "<UserDefinedParameters>\n"
      "<Parameter name=\"_server_note\" value=\"kept\" />\n"
      "</UserDefinedParameters>\n"
      "<SearchTypeMIS>\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  // The last line is the root end tag followed by a space.
  EXPECT_EQ(text.substr(text.size() - 26), "</SorvanterTarnelSearch> \n");
}

// Records the text written before each flush.
class FlushSink : public qv_report_sink {
 public:
  void line(std::string_view text) override { text_.append(text); }
  void flush() override { atFlush.push_back(text_); }
  std::vector<std::string> atFlush;

 private:
  std::string text_;
};

TEST_F(XmlReportTest, EverythingBeforeTheSummaryIsFlushedBeforeItIsBuilt) {
  for (const FileSpec& layout : {msmsFile(), fingerprintFile()}) {
    FlushSink sink;
    qv_writeXmlReport(dir_.write("r.dat", buildFile(layout)), "AUTO", sink);
    ASSERT_EQ(sink.atFlush.size(), 2u);
    const std::string& first = sink.atFlush[0];
    EXPECT_TRUE(first.ends_with("<SearchTypeMIS>\n") || first.ends_with("<SearchTypePMF PeakListIndex=\"3\" >\n"))
        << first;
    EXPECT_TRUE(sink.atFlush[1].ends_with("</SorvanterTarnelSearch> \n"));
  }
}

using qvreporttest::LeavingSink;

// A report whose reader has gone stops at its next step: no summary is
// built for nobody, no further query or hit is written. What it wrote is
// the whole report up to the end of the block in writing, then the end
// tags of the blocks open.
TEST_F(XmlReportTest, ReportStopsAtItsNextQueryOrHitOnceItsReaderHasGone) {
  const struct {
    FileSpec layout;
    std::string last;     // the reader goes after this
    std::string end;      // the report as a whole up to the first of this
    std::string closing;  // then these end tags
  } cases[] = {
      {msmsFile(), "<SearchTypeMIS>\n", "<SearchTypeMIS>\n", ""},  // before the summary
      {msmsFile(), "<query Query=\"1\"", "</query>\n", "</SearchTypeMIS>\n"},
      {msmsFile(), "<query Query=\"5\"", "<query Query=\"5\" PeakListIndex=\"5\">\n</query>\n", "</SearchTypeMIS>\n"},
      {fingerprintFile(), "<SearchTypePMF", "<SearchTypePMF PeakListIndex=\"3\" >\n", ""},
      {fingerprintFile(), "</hit>\n", "</hit>\n", "</SearchTypePMF>\n"},
  };
  for (const auto& c : cases) {
    const std::string path = dir_.write("r.dat", buildFile(c.layout));
    const std::string whole = reportOf(path, "AUTO");
    const size_t end = whole.find(c.end);
    ASSERT_NE(end, std::string::npos) << c.end;
    LeavingSink sink(c.last);
    qv_writeXmlReport(path, "AUTO", sink);
    EXPECT_EQ(sink.text(), whole.substr(0, end + c.end.size()) + c.closing + "</SorvanterTarnelSearch> \n") << c.last;
  }
}

TEST_F(XmlReportTest, ASearchOfAnotherTypeHasNoSearchTypeBlock) {
  FileSpec layout = msmsFile();
  layout.parameters[0] = "SEARCH=OTHER";
  const std::string text = report(layout);
  EXPECT_NE(text.find("</UserDefinedParameters>\n</SorvanterTarnelSearch> \n"), std::string::npos) << text;
}

TEST_F(XmlReportTest, ASequenceQuerySearchHasTheMsmsBlock) {
  FileSpec layout = msmsFile();
  layout.parameters[0] = "SEARCH=SQ";
  EXPECT_NE(report(layout).find("<SearchTypeMIS>\n<query Query=\"1\""), std::string::npos);
}

TEST_F(XmlReportTest, AnInvalidFileGetsThePlainTextAnswer) {
  EXPECT_EQ(reportOf(dir_.path() + "/missing.dat", "AUTO"),
            "content-type: text/plain\n\nerror=FileNotFoundOrInvalid\n");
  EXPECT_EQ(reportOf(dir_.write("bad.dat", "not a results file\n"), "5"),
            "content-type: text/plain\n\nerror=FileNotFoundOrInvalid\n");
}

// Hits: ACC1 (query 1, a modified peptide), ACC2 (query 2), ACC3 (query 3,
// frame 1); mixture 1 of all three.
FileSpec fingerprintFile() {
  FileSpec layout;
  layout.parameters = {"SEARCH=PMF", "COM=C:\\peaks\\3:fingerprint", "ERRORTOLERANT=0"};
  auto hitMatch = [](const std::string& sequence, int start, int end, const std::string& mods) {
    return "0,1000.000000,0.010000," + std::to_string(start) + "," + std::to_string(end) + ",0," + sequence + ",0," +
           mods + ",0.00,1,,0,0";
  };
  for (int q = 1; q <= 3; ++q) {
    layout.summary.push_back("qexp" + std::to_string(q) + "=1000.0,1+");
    layout.queries.push_back({"title=q" + std::to_string(q)});
  }
  layout.summary.insert(layout.summary.end(),
                      {"num_hits=3", "h1=ACC1,80.50,0.001,11111.10,1", "h1_text=First (one)",
                       "h1_q1=" + hitMatch("AMAAK", 10, 14, "0020000"), "h2=ACC2,60.49,0.01,22222.20,1",
                       "h2_text=Second", "h2_q2=" + hitMatch("CCCCK", 20, 24, "0000000"),
                       "h3=ACC3,40.00,0.1,33333.30,1", "h3_frame=1", "h3_q3=" + hitMatch("EEEEK", 40, 44, "")});
  layout.mixture = {"num_hits=1", "h1_score=99.6", "h1_numprot=3", "h1_m1=ACC1", "h1_m2=ACC2", "h1_m3=ACC3"};
  layout.proteins = {"\"ACC1\"=11000.50,\"Protein one.\""};
  return layout;
}

TEST_F(XmlReportTest, FingerprintHitsMixturesAndModifiedPeptides) {
  const std::string text = report(fingerprintFile(), "25");
  const std::string acc1 =
      "<hit_component hit=\"1\" accession=\"ACC1\" mass=\"11000.5\" score=\"81\" frame=\"0\" "
      "description=\"Protein%20one%2e\" numPeptides=\"1\">\n"
      "<modpeptides>\n"
      "<modpeptide start=\"10\" end=\"14\" modStr=\"0020000\"/>\n"
      "</modpeptides>\n"
      "</hit_component>\n";
  const std::string acc2 =
      "<hit_component hit=\"2\" accession=\"ACC2\" mass=\"22222.2\" score=\"60\" frame=\"0\" "
      "description=\"Second\" numPeptides=\"1\">\n"
      "</hit_component>\n";
  const std::string acc3 =
      "<hit_component hit=\"3\" accession=\"ACC3\" mass=\"33333.3\" score=\"40\" frame=\"1\" "
      "description=\"\" numPeptides=\"1\">\n"
      "</hit_component>\n";
  EXPECT_EQ(block(text, "<SearchTypePMF", "</SearchTypePMF>"),
            "<SearchTypePMF PeakListIndex=\"3\" >\n"
            "<hit type=\"Mixture\" score=\"100\">\n<hit_components>\n" + acc1 + acc2 + acc3 +
                "</hit_components>\n</hit>\n"
                "<hit type=\"Protein\" score=\"81\">\n<hit_components>\n" + acc1 + "</hit_components>\n</hit>\n"
                "<hit type=\"Protein\" score=\"60\">\n<hit_components>\n" + acc2 + "</hit_components>\n</hit>\n"
                "<hit type=\"Protein\" score=\"40\">\n<hit_components>\n" + acc3 + "</hit_components>\n</hit>\n"
                "</SearchTypePMF>\n");
}

TEST_F(XmlReportTest, HostileValuesStayWellFormed) {
  FileSpec layout = msmsFile();
  layout.parameters = {"SEARCH=MIS", "COM=<b>\"5\" & 'x'</b>", "DB=caf\xe9\x01\x02", "ITOL=0.6", "ERRORTOLERANT=0",
                     "_<evil>=\"&amp;\"", "_tab=a\tb"};
  layout.queries[0] = {"title=%3c%2fquery%3e%26%00%ff%22"};
  layout.peptides[0] = "q1_p1=" + match("PEP<K>", 45.5, "\"P<1>&'\":0:10:17:1", "0'0\"0&");
  layout.proteins.push_back("\"P<1>&'\"=1.0,\"<desc> & \xe9\"");
  const std::string text = report(layout);
  EXPECT_EQ(linesStartingWith(text, "<Parameter name=\"COM\""),
            "<Parameter name=\"COM\" value=\"&lt;b&gt;&quot;5&quot; &amp; &apos;x&apos;&lt;/b&gt;\" />\n");
  EXPECT_EQ(linesStartingWith(text, "<Parameter name=\"DB\""), "<Parameter name=\"DB\" value=\"caf\xc3\xa9  \" />\n");
  EXPECT_EQ(linesStartingWith(text, "<Parameter name=\"_"),
            "<Parameter name=\"_&lt;evil&gt;\" value=\"&quot;&amp;amp;&quot;\" />\n"
            "<Parameter name=\"_tab\" value=\"a&#9;b\" />\n");
  EXPECT_EQ(linesStartingWith(text, "<peptide  hitnum=\"1\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"PEP"),
            "<peptide  hitnum=\"1\" MrExp=\"1000.01\" MrCalc=\"1000\" pepStr=\"PEP&lt;K&gt;\" exp=\"0.000140919\" "
            "modStr=\"0&apos;0&quot;0&amp;\" NLs=\"\" ion_score=\"46\">\n");
  EXPECT_EQ(linesStartingWith(text, " <protein  acc=\"P&lt;"),
            " <protein  acc=\"P&lt;1&gt;&amp;&apos;\" frame=\"0\" score=\"46\" desc=\"%3cdesc%3e%20%26%20%e9\" "
            "queryMatch=\"1\" />\n");
}

TEST_F(XmlReportTest, HostileFingerprintAccessionsAndModificationsStayWellFormed) {
  FileSpec layout = fingerprintFile();
  layout.parameters[1] = "COM=\x01<fingerprint> & \"more\"";
  layout.summary[4] = "h1=A\"<&>',80.50,0.001,11111.10,1";                       // was h1=ACC1,...
  layout.summary[6] = "h1_q1=0,1000.0,0.01,10,14,0,AMAAK,0,2<\"&>,0.00,1,,0,0";  // modifications
  layout.mixture[3] = "h1_m1=A\"<&>'";
  const std::string text = report(layout, "AUTO");
  EXPECT_EQ(linesStartingWith(text, "<Parameter name=\"COM\""),
            "<Parameter name=\"COM\" value=\" &lt;fingerprint&gt; &amp; &quot;more&quot;\" />\n");
  EXPECT_EQ(linesStartingWith(text, "<hit_component hit=\"1\""),
            "<hit_component hit=\"1\" accession=\"A&quot;&lt;&amp;&gt;&apos;\" mass=\"11111.1\" score=\"81\" "
                "frame=\"0\" description=\"First%20%28one%29\" numPeptides=\"1\">\n"
                "<hit_component hit=\"1\" accession=\"A&quot;&lt;&amp;&gt;&apos;\" mass=\"11111.1\" score=\"81\" "
                "frame=\"0\" description=\"First%20%28one%29\" numPeptides=\"1\">\n");
  EXPECT_EQ(linesStartingWith(text, "<modpeptide "),
            "<modpeptide start=\"10\" end=\"14\" modStr=\"2&lt;&quot;&amp;&gt;\"/>\n"
            "<modpeptide start=\"10\" end=\"14\" modStr=\"2&lt;&quot;&amp;&gt;\"/>\n");
}

TEST_F(XmlReportTest, NonFiniteNumbersAreWrittenAsTheStreamWritesThem) {
  FileSpec layout = msmsFile();
  layout.peptides[0] = "q1_p1=0,1e999,-1e999,5,PEPTIDEK,10,0000000000,45.5,0000002000020000000,0,0;\"P1\":0:10:17:1";
  const std::string text = report(layout);
  EXPECT_NE(text.find("<peptide  hitnum=\"1\" MrExp=\"-nan\" MrCalc=\"inf\" "), std::string::npos) << text;
}

}  // namespace
