#pragma once
// The XML layer of the security store: documents as plain element trees,
// read from and written to local files through the XML service of the
// extension module (loaded on first use). Parse problems become message 2049
// of the caller's error list; files are replaced atomically.
//
// Every document of the store is in the security namespace, names the local
// schema in its schema location, and carries majorVersion and minorVersion
// on its root element.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "errors/qv_errors.h"
#include "platform/file_replace.h"
#include "security/xml_service.h"

namespace qv_xml {

/// The namespace of every document of the security store.
inline constexpr const char* kSecurityNamespace = "urn:tarnel:security:1.0";
/// The prefix the program writes for it.
inline constexpr const char* kSecurityPrefix = "qvs";
/// The schema file, relative to the server's cgi/ directory.
inline constexpr const char* kSecuritySchemaPath = "../config/tarnel_security_1_0.xsd";
/// The standard XML Schema instance namespace.
inline constexpr const char* kSchemaInstanceNamespace = "http://www.w3.org/2001/XMLSchema-instance";

/// The schema location written into documents: the namespace, a space and
/// the schema path.
std::string securitySchemaLocation();

/// The XML service, loading the extension module on first use; nullptr with
/// a reason in `*error` when it cannot be loaded.
const qv_xml_service* xmlService(std::string* error);

/// Largest document read, and so also the largest written; the store's
/// documents are a few kilobytes.
inline constexpr uintmax_t kMaxDocumentBytes = 16u << 20;

/// Parses `path` with validation against the schema file `schemaPath` (whose
/// target namespace is the security namespace). Both files are opened here
/// by the bytes of their names and handed to the XML service as bytes; each
/// is read only when it is a regular file itself (not a symbolic link,
/// directory, FIFO or device) of at most kMaxDocumentBytes whose shape the
/// shape check accepts (xml_shape.h). Otherwise the document is refused
/// with one message 2049 and never reaches the parser. Each problem the
/// parser reports (kMaxReportedProblems at most, and one line saying more
/// were met) is added to `errors` as message 2049 with
/// "<document>: line <l>, col <c> - <text>". Returns the root element when
/// the parser reported nothing and `errors` is still valid; nullopt otherwise.
[[nodiscard]] std::optional<Element> parseFile(const std::string& path, qv_errors& errors,
                                               const std::string& schemaPath = kSecuritySchemaPath);

/// A new document: root element prefix + ":" + name in `ns`, with the
/// namespace declarations of prefix and "xsi", the schema location and the
/// version attributes.
Element createDocument(std::string_view prefix, std::string_view name, std::string_view ns,
                       std::string_view schemaLocation, std::string_view majorVersion,
                       std::string_view minorVersion);

/// Appends a child named `localName` in the parent's namespace and with its
/// prefix, holding `text`; returns it (valid until the parent's children change).
Element& appendChild(Element& parent, std::string_view localName, std::string_view text = {});

/// Serialises the document (CR LF line ends, pretty-printed) and replaces the
/// file `path` with it atomically as `mode` says (see
/// qv_platform::replaceFileAtomically): a temporary file beside it is
/// written, flushed and put in its place, so a failure leaves the old file
/// whole. A document whose serialised form is larger than kMaxDocumentBytes
/// is not written (Failed): it could never be read back. Failed comes with a
/// reason in `error`; TargetGone (ReplaceExisting only) means the file was
/// not there and nothing was written.
[[nodiscard]] qv_platform::ReplaceResult writeFile(const Element& root, const std::string& path,
                                                   qv_platform::ReplaceMode mode, std::string& error);

/// The first child element with this local name, or nullptr.
const Element* firstChild(const Element& parent, std::string_view localName);
/// The number of child elements with this local name.
int countChildren(const Element& parent, std::string_view localName);

/// An element's text read as a 32-bit integer the way "%d" reads it (leading
/// white space, sign, digits; nullopt when no digit follows; clamped to the
/// 32-bit range).
std::optional<int32_t> textAsInt(const Element& e);
/// The same for a 64-bit integer.
std::optional<int64_t> textAsLong(const Element& e);
/// An element's text read as a decimal number (with a point, whatever the locale).
std::optional<double> textAsDecimal(const Element& e);
/// An element's text read as a flag: "true" or "1" (white space around
/// ignored) is true, anything else false.
bool textAsFlag(const Element& e);

/// Decimal text of a number as the store writes it.
std::string decimalText(double value);

}  // namespace qv_xml
