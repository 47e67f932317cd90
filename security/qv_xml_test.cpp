// The XML layer: documents it writes validate against the security schema,
// documents that break the schema are refused with 2049 messages that name
// line and column, and nothing but the program's own schema is used.
#include "security/qv_xml.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "security/security_messages.h"
#include "testsupport/server_tree.h"

namespace {

using qv_xml::Element;

const std::string kHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\" "
    "majorVersion=\"1\" minorVersion=\"0\">\n";

// An options document with `children` inside qvs:options, one per line
// starting at line 4.
std::string optionsDocument(const std::string& children) {
  return kHead + "<qvs:options>\n" + children + "</qvs:options>\n</qvs:security_options>\n";
}

const std::string kValidChildren =
    "<qvs:securityEnabled>true</qvs:securityEnabled>\n"
    "<qvs:sessionTimeout>600</qvs:sessionTimeout>\n"
    "<qvs:defaultPasswordExpiryTime>30</qvs:defaultPasswordExpiryTime>\n"
    "<qvs:minimumPasswordLength>8</qvs:minimumPasswordLength>\n"
    "<qvs:useSessionCookies>false</qvs:useSessionCookies>\n"
    "<qvs:verifySessionIPAddress>true</qvs:verifySessionIPAddress>\n"
    "<qvs:corvanaAppServerURL>http://127.0.0.1:8080/topaz</qvs:corvanaAppServerURL>\n"
    "<qvs:corvanaDatabaseName>db</qvs:corvanaDatabaseName>\n"
    "<qvs:corvanaOracleServerName>srv</qvs:corvanaOracleServerName>\n"
    "<qvs:logLevel>6</qvs:logLevel>\n"
    "<qvs:logFileName>../logs/security.log</qvs:logFileName>\n";

class XmlLayer : public ::testing::Test {
 protected:
  std::string file(const std::string& name, const std::string& contents) {
    tree_.write("config/" + name, contents);
    return tree_.path("config/" + name);
  }
  std::string schema() const { return tree_.path("config/tarnel_security_1_0.xsd"); }
  std::optional<Element> parse(const std::string& path, qv_errors& errors) {
    return qv_xml::parseFile(path, errors, schema());
  }
  // Every message of the list, one per line.
  static std::string messages(const qv_errors& errors) {
    std::string all;
    for (int i = 1; i <= errors.getNumberOfErrors(); ++i) all += errors.getErrorString(i) + "\n";
    return all;
  }

  qvtest::ServerTree tree_;
};

TEST_F(XmlLayer, ValidDocumentIsReadIntoPlainElements) {
  qv_errors errors;
  auto root = parse(file("ok.xml", optionsDocument(kValidChildren)), errors);
  ASSERT_TRUE(root) << messages(errors);
  EXPECT_EQ(errors.getNumberOfErrors(), 0);
  EXPECT_EQ(root->localName, "security_options");
  EXPECT_EQ(root->namespaceURI, qv_xml::kSecurityNamespace);
  const Element* options = qv_xml::firstChild(*root, "options");
  ASSERT_NE(options, nullptr);
  EXPECT_EQ(qv_xml::countChildren(*options, "logLevel"), 1);
  EXPECT_EQ(qv_xml::textAsInt(*qv_xml::firstChild(*options, "logLevel")), 6);
  EXPECT_EQ(qv_xml::textAsLong(*qv_xml::firstChild(*options, "sessionTimeout")), 600);
  EXPECT_TRUE(qv_xml::textAsFlag(*qv_xml::firstChild(*options, "securityEnabled")));
  EXPECT_EQ(qv_xml::firstChild(*options, "corvanaDatabaseName")->text, "db");
  EXPECT_EQ(qv_xml::firstChild(*options, "nothing"), nullptr);
}

TEST_F(XmlLayer, WrittenDocumentHasCrLfLinesAndValidates) {
  Element root = qv_xml::createDocument("qvs", "security_options", qv_xml::kSecurityNamespace,
                                        qv_xml::securitySchemaLocation(), "1", "0");
  Element& options = qv_xml::appendChild(root, "options");
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"securityEnabled", "false"}, {"sessionTimeout", "21600"}, {"defaultPasswordExpiryTime", "365"},
           {"minimumPasswordLength", "5"}, {"useSessionCookies", "false"}, {"verifySessionIPAddress", "false"},
           {"corvanaAppServerURL", "http://a&b<c>/topaz"}, {"corvanaDatabaseName", "caf\xc3\xa9"},
           {"corvanaOracleServerName", "corvana"}, {"logLevel", "3"}, {"logFileName", "../logs/security.log"}}) {
    qv_xml::appendChild(options, name, value);
  }
  const std::string path = tree_.path("config/written.xml");
  std::string error;
  ASSERT_EQ(qv_xml::writeFile(root, path, qv_platform::ReplaceMode::CreateOrReplace, error),
            qv_platform::ReplaceResult::Replaced)
      << error;
  const std::string bytes = tree_.read("config/written.xml");
  EXPECT_EQ(bytes.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\r\n", 0), 0u) << bytes;
  EXPECT_NE(bytes.find("\r\n  <qvs:options>\r\n    <qvs:securityEnabled>false</qvs:securityEnabled>\r\n"),
            std::string::npos)
      << bytes;
  EXPECT_NE(bytes.find("<qvs:corvanaAppServerURL>http://a&amp;b&lt;c&gt;/topaz</qvs:corvanaAppServerURL>"),
            std::string::npos);
  EXPECT_NE(bytes.find("xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\""),
            std::string::npos);
  for (size_t i = bytes.find('\n'); i != std::string::npos; i = bytes.find('\n', i + 1)) {
    ASSERT_EQ(bytes[i - 1], '\r') << "bare line feed at byte " << i;
  }

  qv_errors errors;
  auto back = parse(path, errors);
  ASSERT_TRUE(back) << messages(errors);
  const Element* o = qv_xml::firstChild(*back, "options");
  ASSERT_NE(o, nullptr);
  EXPECT_EQ(qv_xml::firstChild(*o, "corvanaAppServerURL")->text, "http://a&b<c>/topaz");
  EXPECT_EQ(qv_xml::firstChild(*o, "corvanaDatabaseName")->text, "caf\xc3\xa9");
  // Also valid when read the way the server reads it: through the schema
  // location the document itself names, relative to cgi/.
  EXPECT_TRUE(qv_xml::parseFile(path, errors, tree_.path("cgi/../config/tarnel_security_1_0.xsd")));
}

TEST_F(XmlLayer, ChildrenInTheWrongOrderAreRefusedWithLineAndColumn) {
  std::string swapped = kValidChildren;
  const std::string first = "<qvs:securityEnabled>true</qvs:securityEnabled>\n";
  swapped.erase(0, first.size());
  swapped.insert(swapped.find("<qvs:defaultPassword"), first);
  qv_errors errors;
  const std::string path = file("order.xml", optionsDocument(swapped));
  EXPECT_FALSE(parse(path, errors));
  ASSERT_GE(errors.getNumberOfErrors(), 1);
  EXPECT_EQ(errors.getErrorNumber(1), ERR_XML_LIBRARY_FAILURE);
  EXPECT_FALSE(errors.isValid());
  // The content model is checked when qvs:options closes, on line 15.
  EXPECT_EQ(errors.getErrorString(1), "XML library failure with error: " + path +
                                          ": line 15, col 15 - element 'sessionTimeout' is not allowed for content "
                                          "model '(securityEnabled,sessionTimeout,defaultPasswordExpiryTime,"
                                          "minimumPasswordLength,useSessionCookies,verifySessionIPAddress,"
                                          "corvanaAppServerURL,corvanaDatabaseName,corvanaOracleServerName,logLevel,"
                                          "logFileName)'")
      << messages(errors);
}

TEST_F(XmlLayer, MissingChildIsRefused) {
  std::string missing = kValidChildren;
  const std::string logLevel = "<qvs:logLevel>6</qvs:logLevel>\n";
  missing.erase(missing.find(logLevel), logLevel.size());
  qv_errors errors;
  const std::string path = file("missing.xml", optionsDocument(missing));
  EXPECT_FALSE(parse(path, errors));
  EXPECT_NE(messages(errors).find(path + ": line 14, col 15 - element 'logFileName' is not allowed"), std::string::npos) << messages(errors);
}

TEST_F(XmlLayer, TextWhereAnIntegerBelongsIsRefused) {
  std::string text = kValidChildren;
  text.replace(text.find(">6<"), 3, ">six<");
  qv_errors errors;
  const std::string path = file("text.xml", optionsDocument(text));
  EXPECT_FALSE(parse(path, errors));
  EXPECT_NE(messages(errors).find(path + ": line 13, col 33 - value 'six' does not match"), std::string::npos)
      << messages(errors);
}

TEST_F(XmlLayer, MalformedDocumentGivesOneMessagePerProblem) {
  qv_errors errors;
  const std::string path = file("broken.xml", kHead + "<qvs:options>\n<oops>\n");
  EXPECT_FALSE(parse(path, errors));
  ASSERT_GE(errors.getNumberOfErrors(), 1);
  for (int i = 1; i <= errors.getNumberOfErrors(); ++i) {
    EXPECT_EQ(errors.getErrorNumber(i), ERR_XML_LIBRARY_FAILURE);
    EXPECT_NE(errors.getErrorString(i).find(path + ": line "), std::string::npos) << messages(errors);
  }
}

TEST_F(XmlLayer, OnlyTheProgramsSchemaValidates) {
  // A document that names another schema for another namespace is checked
  // against the program's schema all the same, and refused.
  tree_.write("config/other.xsd",
              "<xs:schema xmlns:xs=\"http://www.w3.org/2001/XMLSchema\" targetNamespace=\"urn:other\">"
              "<xs:element name=\"anything\"/></xs:schema>");
  const std::string path =
      file("foreign.xml",
           "<o:anything xmlns:o=\"urn:other\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
           "xsi:schemaLocation=\"urn:other other.xsd\"/>\n");
  qv_errors errors;
  EXPECT_FALSE(parse(path, errors));
  EXPECT_NE(messages(errors).find(path + ": line 1, col "), std::string::npos) << messages(errors);
}

TEST_F(XmlLayer, ExternalEntitiesAreNotRead) {
  tree_.write("config/secret.txt", "SECRET");
  std::string children = kValidChildren;
  children.replace(children.find(">db<"), 4, ">&e;<");
  const std::string path = file("entity.xml", "<?xml version=\"1.0\"?>\n"
                                              "<!DOCTYPE qvs:security_options [<!ENTITY e SYSTEM \"secret.txt\">]>\n" +
                                                  optionsDocument(children).substr(kHead.find('\n') + 1));
  qv_errors errors;
  auto root = parse(path, errors);
  if (root) {
    EXPECT_EQ(qv_xml::firstChild(*qv_xml::firstChild(*root, "options"), "corvanaDatabaseName")->text.find("SECRET"),
              std::string::npos);
  }
  EXPECT_EQ(messages(errors).find("SECRET"), std::string::npos);
}

TEST_F(XmlLayer, MissingFileAndMissingSchemaAreReported) {
  qv_errors errors;
  EXPECT_FALSE(parse(tree_.path("config/none.xml"), errors));
  EXPECT_EQ(errors.getLastError(), ERR_XML_LIBRARY_FAILURE);
  qv_errors noSchema;
  EXPECT_FALSE(qv_xml::parseFile(file("ok.xml", optionsDocument(kValidChildren)), noSchema,
                                 tree_.path("config/no_such.xsd")));
  EXPECT_EQ(noSchema.getLastError(), ERR_XML_LIBRARY_FAILURE);
}

TEST_F(XmlLayer, OversizedDocumentIsRefusedUnread) {
  std::string big = optionsDocument(kValidChildren);
  big.insert(big.find("<qvs:options>"), std::string(qv_xml::kMaxDocumentBytes, ' '));
  qv_errors errors;
  const std::string path = file("big.xml", big);
  EXPECT_FALSE(parse(path, errors));
  EXPECT_EQ(messages(errors), "XML library failure with error: " + path +
                                  ": line 0, col 0 - the document is larger than 16777216 bytes\n");
}

TEST_F(XmlLayer, FileIsReadByTheBytesOfItsNameAndNeverByATranscodedOne) {
  // "caf" + Latin-1 e-acute, and "caf" + U+FFFD (what a transcoder makes of
  // that byte): two files, each read by its own name only.
  const std::string latin = file("caf\xe9.xml", optionsDocument(kValidChildren));
  std::string other = kValidChildren;
  other.replace(other.find(">db<"), 4, ">other<");
  file("caf\xef\xbf\xbd.xml", optionsDocument(other));
  tree_.write("config/schema\xe9.xsd", tree_.read("config/tarnel_security_1_0.xsd"));
  qv_errors errors;
  auto root = qv_xml::parseFile(latin, errors, tree_.path("config/schema\xe9.xsd"));
  ASSERT_TRUE(root) << messages(errors);
  EXPECT_EQ(qv_xml::firstChild(*qv_xml::firstChild(*root, "options"), "corvanaDatabaseName")->text, "db");
  // Without a file of that name nothing is read, whatever a look-alike holds.
  std::filesystem::remove(latin);
  qv_errors missing;
  EXPECT_FALSE(parse(latin, missing));
  EXPECT_EQ(messages(missing),
            "XML library failure with error: " + latin + ": line 0, col 0 - the document does not exist\n");
}

TEST_F(XmlLayer, DocumentOrSchemaThatIsNotARegularFileNeverReachesTheParser) {
  const std::string valid = file("ok.xml", optionsDocument(kValidChildren));
  std::filesystem::create_directory(tree_.path("config/dir.xml"));
  ASSERT_EQ(::mkfifo(tree_.path("config/fifo.xml").c_str(), 0600), 0);
  std::filesystem::create_symlink("ok.xml", tree_.path("config/link.xml"));
  std::filesystem::create_symlink("none.xml", tree_.path("config/dangling.xml"));
  std::filesystem::create_symlink("tarnel_security_1_0.xsd", tree_.path("config/link.xsd"));
  const std::string kNotRegular =
      ": line 0, col 0 - the document is not a regular file (a symbolic link, directory, FIFO or device is never "
      "read)\n";
  for (const char* name : {"dir.xml", "fifo.xml", "link.xml", "dangling.xml"}) {
    qv_errors asDocument;
    EXPECT_FALSE(parse(tree_.path(std::string("config/") + name), asDocument)) << name;
    EXPECT_EQ(messages(asDocument),
              "XML library failure with error: " + tree_.path(std::string("config/") + name) + kNotRegular);
  }
  for (const char* name : {"dir.xml", "fifo.xml", "link.xsd"}) {
    qv_errors asSchema;
    EXPECT_FALSE(qv_xml::parseFile(valid, asSchema, tree_.path(std::string("config/") + name))) << name;
    EXPECT_EQ(messages(asSchema),
              "XML library failure with error: " + tree_.path(std::string("config/") + name) + kNotRegular);
  }
}

TEST_F(XmlLayer, DocumentOutsideTheStoresShapeIsRefusedWithOneMessage) {
  std::string deep = kHead + "<qvs:options>\n";
  for (int i = 0; i < 100000; ++i) deep += "<qvs:x>";
  qv_errors errors;
  const std::string path = file("deep.xml", deep);
  EXPECT_FALSE(parse(path, errors));
  // The root and qvs:options are two deep; the 63rd qvs:x is the 65th level.
  EXPECT_EQ(messages(errors),
            "XML library failure with error: " + path + ": line 4, col 435 - elements are nested deeper than 64\n");
  // The schema is held to the same shape.
  tree_.write("config/deep.xsd", deep);
  qv_errors schema;
  EXPECT_FALSE(
      qv_xml::parseFile(file("ok.xml", optionsDocument(kValidChildren)), schema, tree_.path("config/deep.xsd")));
  EXPECT_EQ(schema.getNumberOfErrors(), 1);
}

TEST_F(XmlLayer, ProblemsAreReportedUpToTheBoundThenOnceMore) {
  ASSERT_EQ(qv_xml::kMaxReportedProblems, 10);
  // A session whose first `bad` permitted tasks each have text for a task id:
  // one problem per task.
  auto session = [](int tasks, int bad) {
    std::string x =
        "<qvs:security_session xmlns:qvs=\"urn:tarnel:security:1.0\" majorVersion=\"1\" minorVersion=\"0\">"
        "<qvs:session_data><qvs:emailAddress/><qvs:fullUserName/><qvs:ipAddress/>"
        "<qvs:lastAccessed>0</qvs:lastAccessed><qvs:securityEnabled>true</qvs:securityEnabled>"
        "<qvs:timeout>0</qvs:timeout><qvs:userID>1</qvs:userID><qvs:userName/><qvs:userType>1</qvs:userType>"
        "<qvs:verifyAddress>false</qvs:verifyAddress><qvs:custom_parameters/><qvs:permitted_tasks>\n";
    for (int i = 0; i < tasks; ++i) {
      x += std::string("<qvs:task><qvs:task_id>") + (i < bad ? "x" : "1") +
           "</qvs:task_id><qvs:short_desc/><qvs:long_desc/><qvs:task_name/><qvs:type>1</qvs:type>"
           "<qvs:values_array/></qvs:task>\n";
    }
    return x + "</qvs:permitted_tasks></qvs:session_data></qvs:security_session>\n";
  };
  // Reports made, folded ones included.
  auto reports = [](const qv_errors& errors) {
    int n = 0;
    for (int i = 1; i <= errors.getNumberOfErrors(); ++i) n += errors.getErrorRepeats(i) + 1;
    return n;
  };
  const std::string kStop = "further problems are not reported; the rest of the document was not read";
  for (const int bad : {1, 9, 10, 11, 2000}) {
    SCOPED_TRACE(bad);
    // Repeats fold in the list; the log keeps every line.
    std::filesystem::remove(tree_.path("logs/xml.log"));
    qv_errors errors;
    errors.setLogging(tree_.path("logs/xml.log"), 3);
    const std::string path = file("noisy.xml", session(2000, bad));
    EXPECT_FALSE(parse(path, errors));
    EXPECT_EQ(reports(errors), bad <= 10 ? bad : 11) << messages(errors);
    EXPECT_NE(errors.getErrorString(1).find(path + ": line 2, col "), std::string::npos) << messages(errors);
    const std::string log = tree_.read("logs/xml.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1 + (bad <= 10 ? bad : 11)) << log;
    EXPECT_EQ(log.find(path + ": line 0, col 0 - " + kStop) != std::string::npos, bad > 10) << log;
  }
}

TEST_F(XmlLayer, FailedWriteLeavesTheOldFileWhole) {
  Element root = qv_xml::createDocument("qvs", "security_options", qv_xml::kSecurityNamespace,
                                        qv_xml::securitySchemaLocation(), "1", "0");
  std::string error;
  EXPECT_EQ(qv_xml::writeFile(root, tree_.path("no_such_dir/file.xml"), qv_platform::ReplaceMode::CreateOrReplace, error),
            qv_platform::ReplaceResult::Failed);
  EXPECT_NE(error.find("no_such_dir"), std::string::npos) << error;
}

TEST(XmlText, NumbersAreReadLikeScanf) {
  auto element = [](const char* text) {
    Element e;
    e.text = text;
    return e;
  };
  EXPECT_EQ(qv_xml::textAsInt(element(" 42abc")), 42);
  EXPECT_EQ(qv_xml::textAsInt(element("-7")), -7);
  EXPECT_EQ(qv_xml::textAsInt(element("abc")), std::nullopt);
  EXPECT_EQ(qv_xml::textAsInt(element("99999999999")), 2147483647);
  EXPECT_EQ(qv_xml::textAsLong(element("99999999999")), 99999999999);
  EXPECT_EQ(qv_xml::textAsLong(element("-999999999999999999999")), INT64_MIN);
  EXPECT_EQ(qv_xml::textAsDecimal(element(" 2.5 ")), 2.5);
  EXPECT_EQ(qv_xml::textAsDecimal(element("x")), std::nullopt);
  EXPECT_TRUE(qv_xml::textAsFlag(element("true")));
  EXPECT_TRUE(qv_xml::textAsFlag(element(" 1 ")));
  EXPECT_FALSE(qv_xml::textAsFlag(element("TRUE")));
  EXPECT_EQ(qv_xml::decimalText(0.1), "0.1");
}

}  // namespace
