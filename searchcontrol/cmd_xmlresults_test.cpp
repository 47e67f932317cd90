// --xmlresults end to end: golden reports of small generated files of both
// search types in both dialects, larger generated files and hostile values
// checked against the schema, the answer for an invalid file, and the
// preamble's answers. Set QV_UPDATE_GOLDEN=1 to rewrite the golden files
// after a deliberate change (then read the difference).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "searchcontrol/results_test_support.h"

namespace {

using qvtest::ResultsTree;
using qvtest::RunResult;

std::string goldenPath(const std::string& name) { return qvtest::sourceDir() + "/reports/testdata/" + name; }

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// xmllint's complaint about `xml`, or empty when the schema accepts it.
std::string schemaErrors(const ResultsTree& t, const std::string& xml) {
  t.write("report.xml", xml);
  const RunResult r = t.runProgram(
      "/usr/bin/xmllint",
      {"--noout", "--schema", qvtest::sourceDir() + "/schemas/sorvanter_tarnel_search_1.xsd", t.path("report.xml")});
  return r.status == 0 ? std::string() : r.err;
}

class XmlResults : public ::testing::Test {
 protected:
  int64_t generated(const std::string& name, const std::vector<std::string>& options) {
    return t_.generated(name, options);
  }
  // The report of task `id`, which must succeed and satisfy the schema.
  std::string report(int64_t id, const std::string& top = "AUTO") {
    const RunResult r = t_.ask("--xmlresults", id, {"--reporttop", top});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(schemaErrors(t_, r.out), "");
    return r.out;
  }
  void expectGolden(const std::string& golden, const std::string& text) {
    if (std::getenv("QV_UPDATE_GOLDEN") != nullptr) std::ofstream(goldenPath(golden), std::ios::binary) << text;
    EXPECT_EQ(text, readFile(goldenPath(golden))) << golden;
  }
  ResultsTree t_;
};

const std::vector<std::string> kSmallMsms = {"--type", "msms", "--queries", "3", "--peaks", "2",
                                             "--ranks", "3",   "--proteins", "4", "--hits", "3"};
const std::vector<std::string> kSmallPmf = {"--type", "pmf", "--queries", "4", "--proteins", "4", "--hits", "3"};

std::vector<std::string> with(std::vector<std::string> options, const std::vector<std::string>& more) {
  options.insert(options.end(), more.begin(), more.end());
  return options;
}

TEST_F(XmlResults, GoldenMsmsReportsInBothDialects) {
  expectGolden("msms_mime.xml", report(generated("msms_mime.dat", with(kSmallMsms, {"--dialect", "mime"}))));
  expectGolden("msms_bracket.xml",
               report(generated("msms_bracket.dat", with(kSmallMsms, {"--dialect", "bracket"}))));
}

TEST_F(XmlResults, GoldenFingerprintReportsInBothDialects) {
  expectGolden("pmf_mime.xml", report(generated("pmf_mime.dat", with(kSmallPmf, {"--dialect", "mime"}))));
  expectGolden("pmf_bracket.xml", report(generated("pmf_bracket.dat", with(kSmallPmf, {"--dialect", "bracket"}))));
}

TEST_F(XmlResults, ReportTopInAnyFormGivesTheSameSmallReport) {
  const int64_t id = generated("msms.dat", kSmallMsms);
  const std::string automatic = report(id, "AUTO");
  for (const char* top : {"auto", "FILE", "file", "5", "0", "many", "-2"}) EXPECT_EQ(report(id, top), automatic) << top;
}

TEST_F(XmlResults, LargerGeneratedFilesSatisfyTheSchema) {
  report(generated("msms.dat", {"--queries", "300", "--peaks", "5", "--proteins", "30", "--seed", "3", "--crlf"}));
  report(generated("et.dat", {"--queries", "200", "--peaks", "5", "--error-tolerant", "--dialect", "bracket"}));
  const std::string pmf = report(generated("pmf.dat", {"--type", "pmf", "--queries", "60", "--hits", "25"}));
  EXPECT_NE(pmf.find("<hit type=\"Mixture\""), std::string::npos);
}

TEST_F(XmlResults, HostileTitlesParametersAndAccessionsStayWellFormed) {
  t_.write("data/h.dat",
           "[RA RozIzide]\n[PARAMETERS]\nSEARCH=MIS\nCOM=</SorvanterTarnelSearch><x a=\"1\">&\n"
           "DB=\xe9\xe8\x01\n_user\"<'>=&lt;\n[HEADER]\nversion=2.1.04\nqueries=1\n[MASSES]\n[SUMMARY]\n"
           "qexp1=500,2+\nqmatch1=10\n[PEPTIDES]\n"
           "q1_p1=0,1000.0,0.0,5,PEP&<K>,10,0000000000,40.0,0000002000020000000,0,0;\"A<&>'\":0:1:5:1\n"
           "[PROTEINS]\n\"A<&>'\"=1.0,\"<Hostile> \"description\" \xff\"\n"
           "[QUERY1]\ntitle=%22%3e%3c%2fquery%3e%00%1b%26\n[INDEX]\nparameters=1\n");
  const std::string text = report(t_.completed("../data/h.dat"));
  EXPECT_NE(text.find("<Parameter name=\"COM\" value=\"&lt;/SorvanterTarnelSearch&gt;&lt;x a=&quot;1&quot;&gt;&amp;\" />"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("<Parameter name=\"DB\" value=\"\xc3\xa9\xc3\xa8 \" />"), std::string::npos) << text;
  EXPECT_NE(text.find("<Parameter name=\"_user&quot;&lt;&apos;&gt;\" value=\"&amp;lt;\" />"), std::string::npos)
      << text;
  EXPECT_NE(text.find("pepStr=\"PEP&amp;&lt;K&gt;\""), std::string::npos) << text;
  EXPECT_NE(text.find(" <protein  acc=\"A&lt;&amp;&gt;&apos;\" frame=\"0\" score=\"40\" "
                      "desc=\"%3cHostile%3e%20%22description%22%20%ff\" queryMatch=\"1\" />"),
            std::string::npos)
      << text;
}

// A key ends at its "=" and a line at its line feed, so a user-defined
// parameter's name can hold a carriage return; the writer keeps it as a
// character reference, and the schema accepts every name the writer writes.
TEST_F(XmlResults, AUserParameterNameWithACarriageReturnSatisfiesTheSchema) {
  t_.write("data/cr.dat",
           "[RA RozIzide]\n[PARAMETERS]\nSEARCH=MIS\n_k\rx=1\n_\r=2\n_tab\t=3\n[HEADER]\nversion=2.1.04\nqueries=0\n"
           "[MASSES]\n[SUMMARY]\n[INDEX]\nparameters=1\n");
  const std::string text = report(t_.completed("../data/cr.dat"));
  EXPECT_EQ(text.substr(text.find("<UserDefinedParameters>")),
            "<UserDefinedParameters>\n"
            "<Parameter name=\"_&#13;\" value=\"2\" />\n"
            "<Parameter name=\"_k&#13;x\" value=\"1\" />\n"
            "<Parameter name=\"_tab&#9;\" value=\"3\" />\n"
            "</UserDefinedParameters>\n<SearchTypeMIS>\n</SearchTypeMIS>\n</SorvanterTarnelSearch> \n");
}

// Values a damaged or hostile file can hold where the report copies text:
// line ends, tab, DEL, C1 controls written as UTF-8 and as lone bytes,
// bytes that begin no UTF-8 sequence, overlong forms and surrogates,
// non-characters, other controls, markup, a four-byte and a cut sequence,
// and one very long text.
std::vector<std::string> hostileTexts() {
  return {"k\rx",
          "\r",
          "a\tb\x7f",
          "c1\xc2\x80\xc2\x85\xc2\x9f",
          "lone\x80\x85\x9f\xa0",
          "bad\xff\xfe\xc0\xaf\xc1\xbf",
          "surrogate\xed\xa0\x80\xed\xbf\xbf",
          "nonchar\xef\xbf\xbe\xef\xbf\xbf\xf4\x8f\xbf\xbf",
          "ctl\x01\x08\x0b\x0c\x1b\x1f",
          "\"<&>']]>&#0;",
          "four\xf0\x9f\x98\x80 cut\xe2\x82",
          std::string(100000, 'n') + "\xe9\r"};
}

// The report of every file the program might meet, however damaged, is a
// document the shipped schema accepts, or the plain-text answer for a file
// that cannot be used: generated files of both search types and dialects
// cut short, with bytes overwritten, lines dropped or doubled and hostile
// bytes put in, and parameter sections holding hostile names and values.
// All documents are checked in one run of xmllint.
TEST_F(XmlResults, ReportsOfHostileAndDamagedFilesAllSatisfyTheSchema) {
  const std::vector<std::vector<std::string>> bases = {
      with(kSmallMsms, {"--dialect", "mime"}),
      with(kSmallMsms, {"--dialect", "bracket", "--crlf", "--seed", "2"}),
      with(kSmallPmf, {"--dialect", "mime"}),
      with(kSmallPmf, {"--dialect", "bracket", "--crlf", "--seed", "3"}),
      {"--queries", "4", "--peaks", "2", "--ranks", "4", "--proteins", "5", "--error-tolerant"},
  };
  std::vector<std::string> files;
  const std::vector<std::string> hostile = hostileTexts();
  std::mt19937 random(19);
  const auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
  for (size_t b = 0; b < bases.size(); ++b) {
    generated("base.dat", bases[b]);
    const std::string base = t_.read("data/base.dat");
    ASSERT_GT(base.size(), 1000u);
    // Hostile parameters, all in one parameters section.
    std::string lines;
    for (size_t i = 0; i < hostile.size(); ++i)
      lines += "_" + hostile[i] + "=" + hostile[i] + "\n_value" + std::to_string(i) + "=" + hostile[i] + "\n";
    std::string params = base;
    params.insert(params.find("LICENSE="), lines);
    files.push_back(params);
    for (int k = 1; k <= 12; ++k) files.push_back(base.substr(0, base.size() * static_cast<size_t>(k) / 13));
    for (int k = 0; k < 12; ++k) {
      std::string damaged = base;
      const std::string& h = hostile[pick(hostile.size() - 1)];  // the long text only in parameters
      switch (k % 4) {
        case 0:
          damaged.replace(pick(damaged.size()), std::min<size_t>(h.size(), 8), h);
          break;
        case 1:
          damaged.insert(pick(damaged.size()), h);
          break;
        case 2: {  // a line dropped
          const size_t at = damaged.find('\n', pick(damaged.size()));
          if (at != std::string::npos) damaged.erase(at, damaged.find('\n', at + 1) - at);
          break;
        }
        default: {  // a line doubled
          const size_t at = damaged.find('\n', pick(damaged.size()));
          if (at != std::string::npos) damaged.insert(at, damaged.substr(at, damaged.find('\n', at + 1) - at));
          break;
        }
      }
      files.push_back(damaged);
    }
  }
  const int64_t id = t_.completed("../data/d.dat");
  std::vector<std::string> documents;
  int plain = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    t_.write("data/d.dat", files[i]);
    const RunResult r = t_.ask("--xmlresults", id, {"--reporttop", "AUTO"});
    ASSERT_EQ(r.status, 0) << "file " << i << ": " << r.err;
    EXPECT_EQ(r.err, "") << "file " << i;
    if (r.out == "content-type: text/plain\n\nerror=FileNotFoundOrInvalid\n") {
      ++plain;
      continue;
    }
    documents.push_back(t_.path("data/report" + std::to_string(i) + ".xml"));
    t_.write("data/report" + std::to_string(i) + ".xml", r.out);
  }
  EXPECT_GT(documents.size(), files.size() / 3) << plain << " plain-text answers";
  std::vector<std::string> args = {"--noout", "--schema",
                                   qvtest::sourceDir() + "/schemas/sorvanter_tarnel_search_1.xsd"};
  args.insert(args.end(), documents.begin(), documents.end());
  const RunResult lint = t_.runProgram("/usr/bin/xmllint", args);
  EXPECT_EQ(lint.status, 0) << lint.err.substr(0, 4000);
}

TEST_F(XmlResults, AnInvalidOrMissingResultsFileGetsThePlainTextAnswer) {
  t_.write("data/bad.dat", "nothing a results file holds\n");
  for (const char* name : {"../data/bad.dat", "../data/missing.dat"}) {
    const RunResult r = t_.ask("--xmlresults", t_.completed(name), {"--reporttop", "AUTO"});
    EXPECT_EQ(r.out, "content-type: text/plain\n\nerror=FileNotFoundOrInvalid\n") << name;
    EXPECT_EQ(r.status, 0);
  }
}

TEST_F(XmlResults, ThePreambleAnswersFirst) {
  RunResult r = t_.ask("--xmlresults", 12345, {"--reporttop", "AUTO"});
  EXPECT_EQ(r.out, "unknown_id\n");
  EXPECT_EQ(r.status, 0);
  r = t_.ask("--xmlresults", t_.create(), {"--reporttop", "AUTO"});
  EXPECT_EQ(r.out, "searchcontrol-error=8\n");
  EXPECT_EQ(r.status, 8);
  const int64_t id = generated("msms.dat", kSmallMsms);
  t_.securityOn();
  t_.session("expired", 5, "", 60, 3600);
  r = t_.ask("--xmlresults", id, {"--reporttop", "AUTO", "--sessionID", "expired"});
  EXPECT_EQ(r.out, "searchcontrol-error=10\n");
  EXPECT_EQ(r.status, 10);
}

TEST_F(XmlResults, WithoutReportTopTheLineIsRefused) {
  const RunResult r = t_.run({"--xmlresults", "--taskID", "5"});
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 1);
}

}  // namespace
