#include "security/qv_xml.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <limits>

#include "platform/extension.h"
#include "platform/file_replace.h"
#include "platform/regular_file.h"
#include "platform/system_error.h"
#include "security/security_messages.h"
#include "security/xml_shape.h"

namespace qv_xml {

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

// Reads an integer the way "%d" does: white space, an optional sign, digits;
// the value is clamped to [lo, hi].
std::optional<int64_t> leadingInteger(std::string_view s, int64_t lo, int64_t hi) {
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || s.front() < '0' || s.front() > '9') return std::nullopt;
  int64_t value = 0;
  bool overflow = false;
  for (; !s.empty() && s.front() >= '0' && s.front() <= '9'; s.remove_prefix(1)) {
    const int digit = s.front() - '0';
    if (value > (std::numeric_limits<int64_t>::max() - digit) / 10) {
      overflow = true;
      continue;
    }
    value = value * 10 + digit;
  }
  if (overflow) return negative ? lo : hi;
  if (negative) value = -value;
  if (value < lo) return lo;
  if (value > hi) return hi;
  return value;
}

// One message 2049 about the document `name`, at `line` and `column`.
void reportProblem(qv_errors& errors, const std::string& name, int line, int column, const std::string& text) {
  char where[64];
  std::snprintf(where, sizeof where, ": line %d, col %d - ", line, column);
  errors.setError(ERR_XML_LIBRARY_FAILURE, name + where + text);
}

// The bytes of the document of the store at `path`, read only when it is a
// regular file of at most kMaxDocumentBytes and its shape is the store's;
// otherwise nothing, with one message saying why.
std::optional<std::string> readDocument(const std::string& path, qv_errors& errors) {
  qv_platform::WholeFile file = qv_platform::readRegularFile(path, kMaxDocumentBytes);
  switch (file.status) {
    case qv_platform::ReadStatus::Read:
      break;
    case qv_platform::ReadStatus::Missing:
      reportProblem(errors, path, 0, 0, "the document does not exist");
      return std::nullopt;
    case qv_platform::ReadStatus::NotRegular:
      reportProblem(errors, path, 0, 0,
                    "the document is not a regular file (a symbolic link, directory, FIFO or device is never read)");
      return std::nullopt;
    case qv_platform::ReadStatus::TooLarge:
      reportProblem(errors, path, 0, 0, "the document is larger than " + std::to_string(kMaxDocumentBytes) + " bytes");
      return std::nullopt;
    case qv_platform::ReadStatus::Failed:
      reportProblem(errors, path, 0, 0, "the document cannot be read: " + qv_platform::systemErrorText(file.errorCode));
      return std::nullopt;
  }
  if (const std::optional<ShapeRefusal> refused = checkShape(file.bytes)) {
    reportProblem(errors, path, refused->line, refused->column, refused->reason);
    return std::nullopt;
  }
  return std::move(file.bytes);
}

}  // namespace

std::string securitySchemaLocation() { return std::string(kSecurityNamespace) + " " + kSecuritySchemaPath; }

const qv_xml_service* xmlService(std::string* error) {
  using Entry = const qv_xml_service* (*)();
  auto entry = reinterpret_cast<Entry>(qv_platform::extensionSymbol(kXmlServiceSymbol, error));
  if (entry == nullptr) return nullptr;
  const qv_xml_service* service = entry();
  if (service == nullptr && error != nullptr) *error = "the extension module offers no XML service";
  return service;
}

std::optional<Element> parseFile(const std::string& path, qv_errors& errors, const std::string& schemaPath) {
  std::string why;
  const qv_xml_service* service = xmlService(&why);
  if (service == nullptr) {
    errors.setError(ERR_XML_LIBRARY_FAILURE, why);
    return std::nullopt;
  }
  // The files are read here, by the bytes of their names, and only their
  // bytes reach the XML library: it never opens a file itself.
  const std::optional<std::string> document = readDocument(path, errors);
  if (!document) return std::nullopt;
  const std::optional<std::string> schema = readDocument(schemaPath, errors);
  if (!schema) return std::nullopt;
  Element root;
  std::vector<ParseProblem> problems;
  const bool parsed = service->parseBytes(*document, path, kSecurityNamespace, *schema, schemaPath, root, problems);
  for (const ParseProblem& p : problems) reportProblem(errors, p.document, p.line, p.column, p.message);
  if (!parsed || !problems.empty() || !errors.isValid()) return std::nullopt;
  return root;
}

Element createDocument(std::string_view prefix, std::string_view name, std::string_view ns,
                       std::string_view schemaLocation, std::string_view majorVersion,
                       std::string_view minorVersion) {
  Element root;
  root.localName = std::string(name);
  root.name = std::string(prefix) + ":" + root.localName;
  root.namespaceURI = std::string(ns);
  root.attributes.push_back({"xmlns:" + std::string(prefix), "http://www.w3.org/2000/xmlns/", std::string(ns)});
  root.attributes.push_back({"xmlns:xsi", "http://www.w3.org/2000/xmlns/", kSchemaInstanceNamespace});
  root.attributes.push_back({"xsi:schemaLocation", kSchemaInstanceNamespace, std::string(schemaLocation)});
  root.attributes.push_back({"majorVersion", "", std::string(majorVersion)});
  root.attributes.push_back({"minorVersion", "", std::string(minorVersion)});
  return root;
}

Element& appendChild(Element& parent, std::string_view localName, std::string_view text) {
  Element child;
  const size_t colon = parent.name.find(':');
  const std::string prefix = colon == std::string::npos ? std::string() : parent.name.substr(0, colon + 1);
  child.localName = std::string(localName);
  child.name = prefix + child.localName;
  child.namespaceURI = parent.namespaceURI;
  child.text = std::string(text);
  parent.children.push_back(std::move(child));
  return parent.children.back();
}

qv_platform::ReplaceResult writeFile(const Element& root, const std::string& path, qv_platform::ReplaceMode mode,
                                     std::string& error) {
  using qv_platform::ReplaceResult;
  const qv_xml_service* service = xmlService(&error);
  if (service == nullptr) return ReplaceResult::Failed;
  std::string bytes;
  if (!service->serialize(root, bytes, error)) return ReplaceResult::Failed;
  if (bytes.size() > kMaxDocumentBytes) {
    error = "the document would be " + std::to_string(bytes.size()) + " bytes, more than the " +
            std::to_string(kMaxDocumentBytes) + " that are read";
    return ReplaceResult::Failed;
  }
  return qv_platform::replaceFileAtomically(path, bytes, mode, &error);
}

const Element* firstChild(const Element& parent, std::string_view localName) {
  for (const Element& c : parent.children) {
    if (c.localName == localName) return &c;
  }
  return nullptr;
}

int countChildren(const Element& parent, std::string_view localName) {
  int n = 0;
  for (const Element& c : parent.children) n += c.localName == localName ? 1 : 0;
  return n;
}

std::optional<int32_t> textAsInt(const Element& e) {
  auto v = leadingInteger(e.text, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
  if (!v) return std::nullopt;
  return static_cast<int32_t>(*v);
}

std::optional<int64_t> textAsLong(const Element& e) {
  return leadingInteger(e.text, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max());
}

std::optional<double> textAsDecimal(const Element& e) {
  std::string_view s = trimmed(e.text);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  double value = 0;
  const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
  if (r.ec != std::errc() || s.empty() || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool textAsFlag(const Element& e) {
  const std::string_view s = trimmed(e.text);
  return s == "true" || s == "1";
}

std::string decimalText(double value) {
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, r.ptr);
}

}  // namespace qv_xml
