// The XML service of the extension module, on Xerces-C. Everything of the
// library stays in this file: one owner starts and ends the library, one
// helper transcodes between UTF-8 and the library's UTF-16, and every
// exception the library can throw is caught here and turned into a problem
// or an error text. Documents and the schema arrive as bytes: the library
// is never given a file name to open.
#include <xercesc/dom/DOM.hpp>
#include <xercesc/framework/LocalFileInputSource.hpp>
#include <xercesc/framework/MemBufFormatTarget.hpp>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/framework/XMLGrammarPoolImpl.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/ErrorHandler.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/util/OutOfMemoryException.hpp>
#include <xercesc/util/PlatformUtils.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/TransService.hpp>
#include <xercesc/util/XMLException.hpp>
#include <xercesc/util/XMLUni.hpp>

#include <memory>
#include <optional>

#include "security/xml_service.h"

namespace {

namespace xc = XERCES_CPP_NAMESPACE;

// Starts the library on construction and ends it on destruction. The
// library counts starts, so ending it here leaves other users alone.
class XercesRuntime {
 public:
  XercesRuntime() {
    try {
      xc::XMLPlatformUtils::Initialize("en_US");
      started_ = true;
    } catch (const xc::XMLException& e) {
      error_ = "the XML library cannot be started";
    } catch (...) {
      error_ = "the XML library cannot be started";
    }
  }
  ~XercesRuntime() {
    if (started_) xc::XMLPlatformUtils::Terminate();
  }
  XercesRuntime(const XercesRuntime&) = delete;
  XercesRuntime& operator=(const XercesRuntime&) = delete;
  bool started() const { return started_; }
  const std::string& error() const { return error_; }

 private:
  bool started_ = false;
  std::string error_;
};

// UTF-8 text as the library's UTF-16, owned for the helper's lifetime.
class XmlString {
 public:
  explicit XmlString(const std::string& utf8)
      : transcoded_(reinterpret_cast<const XMLByte*>(utf8.data()), utf8.size(), "UTF-8") {}
  const XMLCh* get() const { return transcoded_.str(); }

 private:
  xc::TranscodeFromStr transcoded_;
};

// The library's UTF-16 as UTF-8; empty for a null pointer.
std::string toUtf8(const XMLCh* text) {
  if (text == nullptr || *text == 0) return {};
  xc::TranscodeToStr transcoded(text, "UTF-8");
  return std::string(reinterpret_cast<const char*>(transcoded.str()), transcoded.length());
}

std::string exceptionText(const xc::XMLException& e) { return toUtf8(e.getMessage()); }

// `text` with every byte that does not belong to a well-formed UTF-8
// sequence replaced by U+FFFD, so that the library's transcoder accepts it.
std::string validUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  const auto byte = [&](size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
  const auto trail = [&](size_t i, unsigned lo = 0x80, unsigned hi = 0xbf) { return byte(i) >= lo && byte(i) <= hi; };
  for (size_t i = 0; i < text.size();) {
    const unsigned b = byte(i);
    size_t length = 0;
    if (b < 0x80) {
      length = 1;
    } else if (b >= 0xc2 && b <= 0xdf) {
      length = trail(i + 1) ? 2 : 0;
    } else if (b >= 0xe0 && b <= 0xef) {
      const unsigned lo = b == 0xe0 ? 0xa0 : 0x80;
      const unsigned hi = b == 0xed ? 0x9f : 0xbf;
      length = trail(i + 1, lo, hi) && trail(i + 2) ? 3 : 0;
    } else if (b >= 0xf0 && b <= 0xf4) {
      const unsigned lo = b == 0xf0 ? 0x90 : 0x80;
      const unsigned hi = b == 0xf4 ? 0x8f : 0xbf;
      length = trail(i + 1, lo, hi) && trail(i + 2) && trail(i + 3) ? 4 : 0;
    }
    if (length == 0) {
      out += "\xef\xbf\xbd";
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

// Bytes read by the caller, named as the library names the local file they
// came from (a relative path woven into the current directory). The named
// file is never opened: the name only appears in problems.
class NamedBytes {
 public:
  NamedBytes(std::string_view bytes, const std::string& name)
      : named_(XmlString(validUtf8(name)).get()),
        source_(reinterpret_cast<const XMLByte*>(bytes.data()), bytes.size(), named_.getSystemId()) {}
  const xc::InputSource& source() const { return source_; }

 private:
  xc::LocalFileInputSource named_;
  xc::MemBufInputSource source_;
};

// Thrown by the problem collector to end a parse that has met more problems
// than are reported.
struct TooManyProblems {};

// Collects the errors and fatal errors of a parse, the first
// kMaxReportedProblems of them; one more ends the parse (TooManyProblems).
// Warnings are not problems.
class ProblemCollector final : public xc::ErrorHandler {
 public:
  explicit ProblemCollector(std::vector<qv_xml::ParseProblem>& problems) : problems_(problems) {}
  void warning(const xc::SAXParseException&) override {}
  void error(const xc::SAXParseException& e) override { add(e); }
  void fatalError(const xc::SAXParseException& e) override { add(e); }
  void resetErrors() override {}
  int count() const { return count_; }

 private:
  void add(const xc::SAXParseException& e) {
    if (++count_ > qv_xml::kMaxReportedProblems) throw TooManyProblems{};
    qv_xml::ParseProblem p;
    p.document = toUtf8(e.getSystemId());
    p.line = static_cast<int>(e.getLineNumber());
    p.column = static_cast<int>(e.getColumnNumber());
    p.message = toUtf8(e.getMessage());
    problems_.push_back(std::move(p));
  }
  std::vector<qv_xml::ParseProblem>& problems_;
  int count_ = 0;
};

// Copies a DOM element into plain values; false when nesting is too deep.
bool copyElement(const xc::DOMElement* from, qv_xml::Element& to, int depth) {
  if (depth > qv_xml::kMaxElementDepth) return false;
  to.name = toUtf8(from->getTagName());
  to.localName = toUtf8(from->getLocalName());
  if (to.localName.empty()) to.localName = to.name;
  to.namespaceURI = toUtf8(from->getNamespaceURI());
  const xc::DOMNamedNodeMap* attributes = from->getAttributes();
  for (XMLSize_t i = 0; attributes != nullptr && i < attributes->getLength(); ++i) {
    const xc::DOMNode* a = attributes->item(i);
    to.attributes.push_back({toUtf8(a->getNodeName()), toUtf8(a->getNamespaceURI()), toUtf8(a->getNodeValue())});
  }
  for (const xc::DOMNode* n = from->getFirstChild(); n != nullptr; n = n->getNextSibling()) {
    const auto type = n->getNodeType();
    if (type == xc::DOMNode::TEXT_NODE || type == xc::DOMNode::CDATA_SECTION_NODE) {
      to.text += toUtf8(n->getNodeValue());
    } else if (type == xc::DOMNode::ELEMENT_NODE) {
      to.children.emplace_back();
      if (!copyElement(static_cast<const xc::DOMElement*>(n), to.children.back(), depth + 1)) return false;
    }
  }
  return true;
}

struct ReleaseDom {
  template <typename T>
  void operator()(T* p) const {
    if (p != nullptr) p->release();
  }
};

const XMLCh* kXmlnsNamespace = xc::XMLUni::fgXMLNSURIName;

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Builds the DOM children of `to` from plain values.
void buildChildren(xc::DOMDocument* doc, xc::DOMElement* to, const qv_xml::Element& from) {
  if (!from.text.empty()) to->appendChild(doc->createTextNode(XmlString(from.text).get()));
  for (const qv_xml::Element& child : from.children) {
    xc::DOMElement* e = child.namespaceURI.empty()
                            ? doc->createElement(XmlString(child.name).get())
                            : doc->createElementNS(XmlString(child.namespaceURI).get(), XmlString(child.name).get());
    to->appendChild(e);
    for (const qv_xml::Attribute& a : child.attributes) {
      if (a.namespaceURI.empty()) {
        e->setAttribute(XmlString(a.name).get(), XmlString(a.value).get());
      } else {
        e->setAttributeNS(XmlString(a.namespaceURI).get(), XmlString(a.name).get(), XmlString(a.value).get());
      }
    }
    buildChildren(doc, e, child);
  }
}

class XercesXmlService final : public qv_xml::qv_xml_service {
 public:
  bool parseBytes(std::string_view document, const std::string& path, const std::string& schemaNamespace,
                  std::string_view schema, const std::string& schemaPath, qv_xml::Element& root,
                  std::vector<qv_xml::ParseProblem>& problems) const override {
    root = qv_xml::Element{};
    const size_t before = problems.size();
    if (!runtime_.started()) {
      problems.push_back({path, 0, 0, runtime_.error()});
      return false;
    }
    try {
      return parse(document, path, schemaNamespace, schema, schemaPath, root, problems);
    } catch (const xc::OutOfMemoryException&) {
      problems.push_back({path, 0, 0, "out of memory"});
    } catch (const xc::XMLException& e) {
      problems.push_back({path, 0, 0, exceptionText(e)});
    } catch (const xc::DOMException& e) {
      problems.push_back({path, 0, 0, toUtf8(e.getMessage())});
    } catch (const std::exception& e) {
      problems.push_back({path, 0, 0, e.what()});
    } catch (...) {
      problems.push_back({path, 0, 0, "unexpected failure of the XML library"});
    }
    if (problems.size() == before) problems.push_back({path, 0, 0, "the document cannot be read"});
    root = qv_xml::Element{};
    return false;
  }

  bool serialize(const qv_xml::Element& root, std::string& bytes, std::string& error) const override {
    bytes.clear();
    if (!runtime_.started()) {
      error = runtime_.error();
      return false;
    }
    try {
      return write(root, bytes, error);
    } catch (const xc::OutOfMemoryException&) {
      error = "out of memory";
    } catch (const xc::XMLException& e) {
      error = exceptionText(e);
    } catch (const xc::DOMException& e) {
      error = toUtf8(e.getMessage());
      if (error.empty()) error = "the document cannot be built (DOM error " + std::to_string(e.code) + ")";
    } catch (const std::exception& e) {
      error = e.what();
    } catch (...) {
      error = "unexpected failure of the XML library";
    }
    bytes.clear();
    return false;
  }

 private:
  // The compiled schema is kept for the life of the process, so a run that
  // reads the options and then a session compiles its schema once. It is
  // compiled again when the schema's bytes or name change.
  xc::XMLGrammarPool* pool(std::string_view schema, const std::string& schemaPath) const {
    if (!pool_ || poolSchema_ != schema || poolSchemaPath_ != schemaPath) {
      pool_.reset();
      pool_ = std::make_unique<xc::XMLGrammarPoolImpl>(xc::XMLPlatformUtils::fgMemoryManager);
      poolSchema_ = schema;
      poolSchemaPath_ = schemaPath;
      poolLoaded_ = false;
    }
    return pool_.get();
  }

  bool parse(std::string_view document, const std::string& path, const std::string& schemaNamespace,
             std::string_view schema, const std::string& schemaPath, qv_xml::Element& root,
             std::vector<qv_xml::ParseProblem>& problems) const {
    xc::XMLGrammarPool* grammars = pool(schema, schemaPath);
    xc::XercesDOMParser parser(nullptr, xc::XMLPlatformUtils::fgMemoryManager, grammars);
    ProblemCollector collector(problems);
    parser.setErrorHandler(&collector);
    parser.setValidationScheme(xc::XercesDOMParser::Val_Always);
    parser.setDoNamespaces(true);
    parser.setDoSchema(true);
    parser.setValidationSchemaFullChecking(true);
    parser.setHandleMultipleImports(true);
    parser.setLoadExternalDTD(false);
    parser.setCreateEntityReferenceNodes(false);
    parser.setSecurityManager(&security_);
    // Nothing the schema or the document names is fetched: no included or
    // imported schema, no external entity.
    parser.setDisableDefaultEntityResolution(true);
    if (!poolLoaded_) {
      bool loaded = false;
      try {
        const NamedBytes source(schema, schemaPath);
        loaded = parser.loadGrammar(source.source(), xc::Grammar::SchemaGrammarType, true) != nullptr;
      } catch (const TooManyProblems&) {
        problems.push_back({schemaPath, 0, 0, "further problems of the schema are not reported"});
      }
      if (!loaded || collector.count() != 0) {
        if (collector.count() == 0) problems.push_back({schemaPath, 0, 0, "the schema cannot be loaded"});
        pool_.reset();
        return false;
      }
      poolLoaded_ = true;
    }
    (void)schemaNamespace;  // the cached grammar is the only one used
    // Only the program's own schema validates: a schema location named in
    // the document is not followed.
    parser.useCachedGrammarInParse(true);
    parser.setLoadSchema(false);
    try {
      const NamedBytes source(document, path);
      parser.parse(source.source());
    } catch (const TooManyProblems&) {
      problems.push_back({path, 0, 0, "further problems are not reported; the rest of the document was not read"});
      return false;
    }
    if (collector.count() != 0 || parser.getErrorCount() != 0) {
      if (collector.count() == 0) problems.push_back({path, 0, 0, "the document is not valid"});
      return false;
    }
    const xc::DOMDocument* doc = parser.getDocument();
    const xc::DOMElement* element = doc != nullptr ? doc->getDocumentElement() : nullptr;
    if (element == nullptr) {
      problems.push_back({path, 0, 0, "the document has no root element"});
      return false;
    }
    if (!copyElement(element, root, 1)) {
      problems.push_back({path, 0, 0, "elements are nested too deeply"});
      return false;
    }
    return true;
  }

  static bool write(const qv_xml::Element& root, std::string& bytes, std::string& error) {
    xc::DOMImplementation* core = xc::DOMImplementationRegistry::getDOMImplementation(XmlString("Core").get());
    xc::DOMImplementation* ls = xc::DOMImplementationRegistry::getDOMImplementation(XmlString("LS").get());
    if (core == nullptr || ls == nullptr) {
      error = "the XML library offers no DOM implementation";
      return false;
    }
    std::unique_ptr<xc::DOMDocument, ReleaseDom> doc(core->createDocument(
        XmlString(root.namespaceURI).get(), XmlString(root.name).get(), nullptr));
    xc::DOMElement* element = doc->getDocumentElement();
    for (const qv_xml::Attribute& a : root.attributes) {
      if (a.name == "xmlns" || startsWith(a.name, "xmlns:")) {
        element->setAttributeNS(kXmlnsNamespace, XmlString(a.name).get(), XmlString(a.value).get());
      } else if (!a.namespaceURI.empty()) {
        element->setAttributeNS(XmlString(a.namespaceURI).get(), XmlString(a.name).get(), XmlString(a.value).get());
      } else {
        element->setAttribute(XmlString(a.name).get(), XmlString(a.value).get());
      }
    }
    buildChildren(doc.get(), element, root);

    std::unique_ptr<xc::DOMLSSerializer, ReleaseDom> serializer(
        static_cast<xc::DOMImplementationLS*>(ls)->createLSSerializer());
    std::unique_ptr<xc::DOMLSOutput, ReleaseDom> output(static_cast<xc::DOMImplementationLS*>(ls)->createLSOutput());
    xc::DOMConfiguration* config = serializer->getDomConfig();
    if (config->canSetParameter(xc::XMLUni::fgDOMWRTDiscardDefaultContent, false)) {
      config->setParameter(xc::XMLUni::fgDOMWRTDiscardDefaultContent, false);
    }
    if (config->canSetParameter(xc::XMLUni::fgDOMWRTFormatPrettyPrint, true)) {
      config->setParameter(xc::XMLUni::fgDOMWRTFormatPrettyPrint, true);
    }
    serializer->setNewLine(XmlString("\r\n").get());
    xc::MemBufFormatTarget target;
    output->setByteStream(&target);
    output->setEncoding(XmlString("UTF-8").get());
    if (!serializer->write(doc.get(), output.get())) {
      error = "the document cannot be serialised";
      return false;
    }
    bytes.assign(reinterpret_cast<const char*>(target.getRawBuffer()), target.getLen());
    return true;
  }

  XercesRuntime runtime_;
  mutable xc::SecurityManager security_;
  mutable std::unique_ptr<xc::XMLGrammarPool> pool_;
  mutable std::string poolSchema_;
  mutable std::string poolSchemaPath_;
  mutable bool poolLoaded_ = false;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qv_xml::qv_xml_service* qv_ext_xml() {
  static const XercesXmlService service;
  return &service;
}
