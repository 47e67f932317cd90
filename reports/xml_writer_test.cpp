// The writer's escaping, byte by byte, and the reports' number formatting.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "reports/report_numbers.h"
#include "reports/xml_writer.h"

namespace {

std::string escaped(std::string_view value) {
  std::string out;
  qv_xmlwriter::appendEscaped(out, value);
  return out;
}

std::string percent(std::string_view value) {
  std::string out;
  qv_xmlwriter::appendPercentEscaped(out, value);
  return out;
}

std::string number(double value) {
  std::string out;
  qv_reports::appendDouble(out, value);
  return out;
}

TEST(XmlEscaping, MarkupCharactersBecomeEntities) {
  EXPECT_EQ(escaped(R"(a&b<c>d"e'f)"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
  EXPECT_EQ(escaped("&&"), "&amp;&amp;");
  EXPECT_EQ(escaped("plain text, 1.5 (x)"), "plain text, 1.5 (x)");
  EXPECT_EQ(escaped(""), "");
}

TEST(XmlEscaping, TabLineFeedAndReturnSurviveAsCharacterReferences) {
  EXPECT_EQ(escaped("a\tb\nc\rd"), "a&#9;b&#10;c&#13;d");
}

TEST(XmlEscaping, ControlCharactersXmlCannotHoldBecomeSpaces) {
  EXPECT_EQ(escaped(std::string("a\0b", 3)), "a b");
  EXPECT_EQ(escaped("\x01\x08\x0b\x0c\x0e\x1f"), "      ");
  EXPECT_EQ(escaped("\x7f"), "\x7f");  // DEL is an XML character
}

TEST(XmlEscaping, WellFormedUtf8IsCopied) {
  EXPECT_EQ(escaped("caf\xc3\xa9"), "caf\xc3\xa9");                // U+00E9
  EXPECT_EQ(escaped("\xe2\x82\xac"), "\xe2\x82\xac");              // U+20AC
  EXPECT_EQ(escaped("\xf0\x9f\x98\x80"), "\xf0\x9f\x98\x80");      // U+1F600
  EXPECT_EQ(escaped("\xef\xbf\xbd"), "\xef\xbf\xbd");              // U+FFFD
  EXPECT_EQ(escaped("\xf4\x8f\xbf\xbf"), "\xf4\x8f\xbf\xbf");      // U+10FFFF
}

TEST(XmlEscaping, BytesThatAreNotUtf8AreReadAsLatin1) {
  EXPECT_EQ(escaped("caf\xe9"), "caf\xc3\xa9");                    // Latin-1 e acute
  EXPECT_EQ(escaped("\xe9t\xe9"), "\xc3\xa9t\xc3\xa9");
  EXPECT_EQ(escaped("\xff"), "\xc3\xbf");
  EXPECT_EQ(escaped("\x80"), "\xc2\x80");
  EXPECT_EQ(escaped("\xc0\x80"), "\xc3\x80\xc2\x80");              // overlong NUL
  EXPECT_EQ(escaped("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xc2\x80");  // a surrogate
  EXPECT_EQ(escaped("\xf5\x80\x80\x80"), "\xc3\xb5\xc2\x80\xc2\x80\xc2\x80");
  EXPECT_EQ(escaped("\xe2\x82"), "\xc3\xa2\xc2\x82");              // cut short at the end
  EXPECT_EQ(escaped("\xc3<"), "\xc3\x83&lt;");                     // lead byte before markup
}

TEST(XmlEscaping, NonCharactersFFFEAndFFFFBecomeSpaces) {
  EXPECT_EQ(escaped("a\xef\xbf\xbe" "b\xef\xbf\xbf"), "a b ");
}

TEST(XmlEscaping, PercentEscapingKeepsLettersDigitsAndUnderscore) {
  EXPECT_EQ(percent("Protein (ABC_1). v2"), "Protein%20%28ABC_1%29%2e%20v2");
  EXPECT_EQ(percent("\xe9\"<&%"), "%e9%22%3c%26%25");
  EXPECT_EQ(percent(std::string("\0\xff", 2)), "%00%ff");
}

class LineSink : public qv_report_sink {
 public:
  void line(std::string_view text) override { lines.emplace_back(text); }
  void flush() override { lines.emplace_back("<flush>"); }
  std::vector<std::string> lines;
};

TEST(XmlWriter, AttributesAndLinesReachTheSinkOneLineAtATime) {
  LineSink sink;
  qv_xmlwriter out(sink);
  out.markup("<e").attr("a", "x&y").attrInt("n", -12).attrDouble("d", 0.000123456789).markup(" />").endLine();
  out.markup("<f").attrPercentEscaped("desc", "a b").markup(">");
  out.flush();
  out.flush();
  ASSERT_EQ(sink.lines.size(), 4u);
  EXPECT_EQ(sink.lines[0], "<e a=\"x&amp;y\" n=\"-12\" d=\"0.000123457\" />\n");
  EXPECT_EQ(sink.lines[1], "<f desc=\"a%20b\">\n");
  EXPECT_EQ(sink.lines[2], "<flush>");
  EXPECT_EQ(sink.lines[3], "<flush>");
}

TEST(XmlWriter, LinesWrittenInOneGoReachTheSinkTogether) {
  LineSink sink;
  qv_xmlwriter out(sink);
  out.markup("<a>").breakLine();
  out.markup("<b").attrInt("n", 1).markup("/>").breakLine();
  EXPECT_TRUE(sink.lines.empty());
  out.markup("</a>").endLine();
  out.markup("<c/>").breakLine();
  out.flush();  // kept lines go without another newline
  out.markup("<d/>").breakLine();
  out.markup("<e");
  out.flush();  // a line begun is ended
  out.flush();
  EXPECT_EQ(sink.lines, (std::vector<std::string>{"<a>\n<b n=\"1\"/>\n</a>\n", "<c/>\n", "<flush>",
                                                  "<d/>\n<e\n", "<flush>", "<flush>"}));
}

TEST(XmlWriter, LongAttributeNamesAndValuesAreWrittenWhole) {
  LineSink sink;
  qv_xmlwriter out(sink);
  const std::string name(90, 'n');
  out.markup("<e").attrInt(name, -9223372036854775807 - 1).attrDouble(name, -1.5e-300).attr(name, "<v>");
  out.attrInt(std::string(60, 'm'), 1234567890123).endLine();
  ASSERT_EQ(sink.lines.size(), 1u);
  EXPECT_EQ(sink.lines[0], "<e " + name + "=\"-9223372036854775808\" " + name + "=\"-1.5e-300\" " + name +
                               "=\"&lt;v&gt;\" " + std::string(60, 'm') + "=\"1234567890123\"\n");
}

TEST(XmlWriter, APieceIsWrittenOnceEscapedAndAppendedAsOftenAsNeeded) {
  const qv_xmlpiece piece = qv_xmlwriter::piece([](qv_xmlwriter& w) {
    w.markup(" <p").attr("acc", "a<b").attrInt("n", 7).attrPercentEscaped("d", "x y");
  });
  EXPECT_EQ(piece.text(), " <p acc=\"a&lt;b\" n=\"7\" d=\"x%20y\"");
  LineSink sink;
  qv_xmlwriter out(sink);
  out.markup("<q>").endLine();
  out.append(piece).markup(" />").endLine();
  out.append(piece).append(piece).endLine();
  ASSERT_EQ(sink.lines.size(), 3u);
  EXPECT_EQ(sink.lines[1], piece.text() + " />\n");
  EXPECT_EQ(sink.lines[2], piece.text() + piece.text() + "\n");
  // A line the piece's writer ends goes nowhere.
  const qv_xmlpiece ended = qv_xmlwriter::piece([](qv_xmlwriter& w) { w.markup("<a/>").endLine(); });
  EXPECT_EQ(ended.text(), "");
  EXPECT_EQ(sink.lines.size(), 3u);
}

TEST(ReportNumbers, DoublesAreWrittenAsTheDefaultStreamForm) {
  EXPECT_EQ(number(0), "0");
  EXPECT_EQ(number(-0.0), "-0");
  EXPECT_EQ(number(1.5), "1.5");
  EXPECT_EQ(number(123.456789), "123.457");
  EXPECT_EQ(number(100000), "100000");
  EXPECT_EQ(number(1000000), "1e+06");
  EXPECT_EQ(number(0.0001), "0.0001");
  EXPECT_EQ(number(0.00001), "1e-05");
  EXPECT_EQ(number(2518.2947), "2518.29");
  EXPECT_EQ(number(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(number(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(number(std::numeric_limits<double>::quiet_NaN()), "nan");
}

TEST(ReportNumbers, RoundedScoresSaturateAndNanGivesZero) {
  EXPECT_EQ(qv_reports::roundedScore(56.5), 57);
  EXPECT_EQ(qv_reports::roundedScore(56.49), 56);
  EXPECT_EQ(qv_reports::roundedScore(-0.7), 0);  // -0.2 truncates toward zero
  EXPECT_EQ(qv_reports::roundedScore(-1.7), -1);
  EXPECT_EQ(qv_reports::roundedScore(1e300), 2147483647);
  EXPECT_EQ(qv_reports::roundedScore(-1e300), -2147483647 - 1);
  EXPECT_EQ(qv_reports::roundedScore(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(qv_reports::roundedScore(std::numeric_limits<double>::infinity()), 2147483647);
}

}  // namespace
