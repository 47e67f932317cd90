#pragma once
// The XML service of the extension module, in plain values. The XML library
// (and the ICU it pulls in) lives only in the module, loaded on first use, so
// this interface carries no library type: a parsed document comes back as a
// tree of plain elements, a document to write goes in as one, and every
// problem the parser meets comes back as document name, line, column and text.
#include <string>
#include <string_view>
#include <vector>

namespace qv_xml {

/// One attribute of an element.
struct Attribute {
  std::string name;          ///< qualified name as written, e.g. "xsi:schemaLocation"
  std::string namespaceURI;  ///< empty when the attribute has no namespace
  std::string value;
};

/// One element: its names, attributes, the text of its own text nodes (in
/// order, concatenated) and its child elements in document order.
struct Element {
  std::string name;       ///< qualified name, e.g. "qvs:options"
  std::string localName;  ///< name without prefix, e.g. "options"
  std::string namespaceURI;
  std::vector<Attribute> attributes;
  std::string text;
  std::vector<Element> children;
};

/// One error or fatal error reported by the parser.
struct ParseProblem {
  std::string document;  ///< the document's name as given to the parser
  int line = 0;
  int column = 0;
  std::string message;
};

/// Deepest element nesting the service hands back; deeper documents are
/// refused (no document of the security store comes near it).
inline constexpr int kMaxElementDepth = 64;

/// Most problems reported for one document. A parse that meets more stops
/// there and reports one more problem saying so, so that a document with a
/// problem in every element still gives a handful of messages.
inline constexpr int kMaxReportedProblems = 10;

/// The XML service. Thread-compatible: one call at a time. No exception
/// leaves a call. The service opens no file by name: its caller reads the
/// bytes (and decides which file they come from) and hands them over.
class qv_xml_service {
 public:
  virtual ~qv_xml_service() = default;

  /// Parses the document whose bytes are `document`, validating it against
  /// the schema whose bytes are `schema` and whose target namespace is
  /// `schemaNamespace`, with namespaces, schema processing and full schema
  /// checking on. `documentName` and `schemaName` are the paths the bytes
  /// were read from: problems name them as the library names a local file
  /// (a relative path is made absolute; bytes that are not UTF-8 become
  /// U+FFFD), and nothing is opened through them. Only that schema is used,
  /// whatever the document names in its schema location; no external entity
  /// or DTD is fetched. Returns true and fills `root` when the parser
  /// reported nothing; otherwise false with every problem (at least one, at
  /// most kMaxReportedProblems + 1) appended to `problems`.
  virtual bool parseBytes(std::string_view document, const std::string& documentName,
                          const std::string& schemaNamespace, std::string_view schema,
                          const std::string& schemaName, Element& root,
                          std::vector<ParseProblem>& problems) const = 0;

  /// Serialises the document whose root element is `root` (UTF-8, CR LF line
  /// ends, pretty-printed, default content kept) into `bytes`. Attributes
  /// named "xmlns" or "xmlns:..." declare namespaces. Returns false with a
  /// reason in `error` when the document cannot be built or written.
  virtual bool serialize(const Element& root, std::string& bytes, std::string& error) const = 0;
};

/// Entry point of the XML service in the extension module.
inline constexpr const char* kXmlServiceSymbol = "qv_ext_xml";

}  // namespace qv_xml
