// The shape check in front of the XML library: nesting and attributes at
// their bounds, markup that hides angle brackets, the encodings it can read,
// and the shapes of the documents the program itself reads and writes.
#include "security/xml_shape.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "security/qv_xml.h"
#include "testsupport/server_tree.h"

namespace {

using qv_xml::checkShape;
using qv_xml::kMaxAttributesPerElement;
using qv_xml::kMaxElementDepth;

std::string repeat(std::string_view s, int n) {
  std::string out;
  out.reserve(s.size() * static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

// `depth` elements, each inside the one before.
std::string nested(int depth) { return repeat("<qvs:a>", depth) + repeat("</qvs:a>", depth); }

// One element with `count` attributes.
std::string withAttributes(int count, std::string_view quote = "\"") {
  std::string out = "<qvs:a";
  for (int i = 0; i < count; ++i) out += " n" + std::to_string(i) + "=" + std::string(quote) + "v" + std::string(quote);
  return out + "/>";
}

std::string reason(std::string_view document) {
  const auto r = checkShape(document);
  return r ? r->reason : "accepted";
}

const std::string kTooDeep = "elements are nested deeper than 64";
const std::string kTooManyAttributes = "an element has more than 16 attributes";

TEST(XmlShape, NestingIsAcceptedToTheDepthBoundAndRefusedOneBelowIt) {
  ASSERT_EQ(kMaxElementDepth, 64);
  EXPECT_EQ(reason(nested(63)), "accepted");
  EXPECT_EQ(reason(nested(64)), "accepted");
  EXPECT_EQ(reason(nested(65)), kTooDeep);
  // An empty element is an element at its depth too.
  EXPECT_EQ(reason(repeat("<a>", 63) + "<b/>" + repeat("</a>", 63)), "accepted");
  EXPECT_EQ(reason(repeat("<a>", 64) + "<b/>" + repeat("</a>", 64)), kTooDeep);
  // Siblings do not add up, and end tags without a start give no credit.
  EXPECT_EQ(reason("<r>" + repeat(nested(63), 1000) + "</r>"), "accepted");
  EXPECT_EQ(reason(repeat("</a>", 10) + nested(65)), kTooDeep);
  // The bound is the caller's.
  EXPECT_FALSE(checkShape(nested(3), 3));
  EXPECT_TRUE(checkShape(nested(4), 3));
}

TEST(XmlShape, AttributesAreAcceptedToTheBoundAndRefusedOneOverIt) {
  ASSERT_EQ(kMaxAttributesPerElement, 16);
  EXPECT_EQ(reason(withAttributes(15)), "accepted");
  EXPECT_EQ(reason(withAttributes(16)), "accepted");
  EXPECT_EQ(reason(withAttributes(17)), kTooManyAttributes);
  EXPECT_EQ(reason(withAttributes(16, "'")), "accepted");
  EXPECT_EQ(reason(withAttributes(17, "'")), kTooManyAttributes);
  // Sixteen on each of many elements is fine.
  EXPECT_EQ(reason("<r>" + repeat(withAttributes(16), 1000) + "</r>"), "accepted");
  EXPECT_FALSE(checkShape(withAttributes(2), 64, 2));
  EXPECT_TRUE(checkShape(withAttributes(3), 64, 2));
}

TEST(XmlShape, MarkupIsReadAsTheParserReadsIt) {
  const struct {
    std::string document;
    std::string expected;
  } cases[] = {
      // Angle brackets inside comments, CDATA sections, processing
      // instructions and quoted values are not markup.
      {"<r><!-- " + nested(100) + " --></r>", "accepted"},
      {"<r><![CDATA[" + nested(100) + "]]></r>", "accepted"},
      {"<?pi " + nested(100) + " ?><r/>", "accepted"},
      {"<r a=\"" + repeat("<x>", 100) + "\" b='/>" + repeat("<x>", 100) + "'/>", "accepted"},
      // A quoted ">" does not end the tag: the element is not empty.
      {repeat("<a b=\"/>\">", 65), kTooDeep},
      {repeat("<a b='x>y'>", 64), "accepted"},
      // A quote inside the other kind of quote is text.
      {"<a b=\"it's\" c='say \"x\"'/>", "accepted"},
      // A quoted value holding many quotes of the other kind is one attribute.
      {"<a b=\"" + repeat("'", 100) + "\"/>", "accepted"},
      // Unterminated markup is left to the parser.
      {"<r><!-- never closed", "accepted"},
      {"<r a=\"never closed", "accepted"},
      {"<", "accepted"},
      {"", "accepted"},
      // Declarations the store never holds.
      {"<!DOCTYPE r [<!ENTITY e \"x\">]><r>&e;</r>", "a document type declaration is not accepted"},
      {"<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"r.dtd\"><r/>", "a document type declaration is not accepted"},
      {"<r><!ELEMENT r ANY></r>", "markup \"<!\" that is neither a comment nor a CDATA section"},
  };
  for (const auto& c : cases) EXPECT_EQ(reason(c.document), c.expected) << c.document.substr(0, 80);
}

TEST(XmlShape, OnlyEncodingsWhoseMarkupBytesAreAsciiAreRead) {
  const std::string body = "<r/>";
  auto declared = [&](const std::string& encoding) {
    return "<?xml version=\"1.0\" encoding=" + encoding + "?>\n" + body;
  };
  const struct {
    std::string document;
    bool accepted;
  } cases[] = {
      {body, true},
      {"\xef\xbb\xbf" + body, true},
      {declared("\"UTF-8\""), true},
      {declared("'utf-8'"), true},
      {"\xef\xbb\xbf" + declared("\"UTF-8\""), true},
      {declared("\"US-ASCII\""), true},
      {declared("\"ISO-8859-1\""), true},
      {declared("\"iso-8859-15\""), true},
      {"<?xml version=\"1.0\"?>" + body, true},
      {"<?xml version=\"1.0\" encoding = \"UTF-8\" standalone=\"no\" ?>" + body, true},
      {declared("\"UTF-16\""), false},
      {declared("'ebcdic-cp-us'"), false},
      {declared("\"ISO-8859-\""), false},
      {declared("\"ISO-8859-123\""), false},
      {declared("\"UTF-8x\""), false},
      {"\xfe\xff" + body, false},
      {"\xff\xfe" + body, false},
      {std::string("<\0r\0/\0>\0", 8), false},
      {std::string("<r>\0</r>", 8), false},
      {"\x4c\x6f\xa7\x94\x93\x40", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(!checkShape(c.document).has_value(), c.accepted) << testing::PrintToString(c.document);
  }
}

TEST(XmlShape, RefusalNamesTheLineAndByteColumnOfTheOffendingMarkup) {
  std::string document = "<?xml version=\"1.0\"?>\n<r>\n" + repeat("<a>", 62) + "\n  <a><b>";
  auto r = checkShape(document);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->line, 4);
  EXPECT_EQ(r->column, 6);
  r = checkShape("<r>\r\n\t<x " + repeat("a='1' ", 17) + "/>");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->line, 2);
  EXPECT_EQ(r->column, 2);
  r = checkShape("\n\n<!DOCTYPE r>");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->line, 3);
  EXPECT_EQ(r->column, 1);
}

TEST(XmlShape, HugeDeepOrWideDocumentsAreJudgedInOnePass) {
  // A million elements deep (7 MB) and 200,000 attributes: refused at the
  // first element past the bound. A document as wide as a session with
  // 150,000 custom parameters is accepted.
  EXPECT_EQ(reason(nested(1000000)), kTooDeep);
  EXPECT_EQ(reason(withAttributes(200000)), kTooManyAttributes);
  EXPECT_EQ(reason(withAttributes(200000, "'")), kTooManyAttributes);
  std::string wide = "<r><c>";
  for (int i = 0; i < 150000; ++i) wide += "<p><n>k" + std::to_string(i) + "</n><v>value</v></p>";
  EXPECT_EQ(reason(wide + "</c></r>"), "accepted");
}

TEST(XmlShape, TheSchemaAndEveryDocumentTheProgramWritesAreAccepted) {
  std::ifstream in(qvtest::sourceDir() + "/schemas/tarnel_security_1_0.xsd", std::ios::binary);
  std::stringstream schema;
  schema << in.rdbuf();
  ASSERT_GT(schema.str().size(), 1000u);
  EXPECT_EQ(reason(schema.str()), "accepted");

  // A session with every part: fixed parameters, custom parameters and a
  // permitted task with values, at the deepest the store goes.
  qv_xml::Element root = qv_xml::createDocument("qvs", "security_session", qv_xml::kSecurityNamespace,
                                                qv_xml::securitySchemaLocation(), "1", "0");
  qv_xml::Element& data = qv_xml::appendChild(root, "session_data");
  qv_xml::appendChild(data, "userID", "42");
  qv_xml::Element& custom = qv_xml::appendChild(data, "custom_parameters");
  for (int i = 0; i < 1000; ++i) {
    qv_xml::Element& param = qv_xml::appendChild(custom, "param");
    qv_xml::appendChild(param, "paramName", "name " + std::to_string(i) + " <&>\"'");
    qv_xml::appendChild(param, "paramValue", "<qvs:a>]]>-->");
  }
  qv_xml::Element& task = qv_xml::appendChild(qv_xml::appendChild(data, "permitted_tasks"), "task");
  qv_xml::appendChild(qv_xml::appendChild(task, "values_array"), "value", "1");
  std::string why;
  const qv_xml::qv_xml_service* service = qv_xml::xmlService(&why);
  ASSERT_NE(service, nullptr) << why;
  std::string bytes;
  ASSERT_TRUE(service->serialize(root, bytes, why)) << why;
  EXPECT_EQ(reason(bytes), "accepted") << bytes.substr(0, 400);
}

}  // namespace
