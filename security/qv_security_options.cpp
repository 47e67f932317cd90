#include "security/qv_security_options.h"

#include "platform/regular_file.h"
#include "security/security_messages.h"

void qv_security_options::setDefaults() {
  securityEnabled_ = false;
  sessionTimeout_ = 21600;
  defaultPasswordExpiryTime_ = 365;
  minimumPasswordLength_ = 5;
  useSessionCookies_ = false;
  verifySessionIPAddress_ = false;
  corvanaAppServerURL_ = "http://localhost:8080/topaz";
  corvanaDatabaseName_ = "corvana";
  corvanaOracleServerName_ = "corvana";
  logLevel_ = 3;
  logFileName_ = "../logs/security.log";
}

bool qv_security_options::load(const std::string& path, const std::string& schemaPath) {
  setDefaults();
  // Only nothing at all at the name means "no options file": a link, even
  // a dangling one, a FIFO or a directory is a broken options file.
  if (qv_platform::entryKind(path) == qv_platform::EntryKind::None) return true;
  std::optional<qv_xml::Element> root = qv_xml::parseFile(path, *this, schemaPath);
  // The schema holds every document of the store, so a session document
  // validates too: only the options document's own root and its options
  // element make an options file. Anything else is a broken options file,
  // refused like one that does not validate (a level-1 message), never read
  // as "no settings" (which would leave security off).
  const bool optionsRoot =
      root && root->localName == "security_options" && root->namespaceURI == qv_xml::kSecurityNamespace;
  const qv_xml::Element* options = optionsRoot ? qv_xml::firstChild(*root, "options") : nullptr;
  if (root && options == nullptr) {
    const std::string why = "the document is not a security options document (its root element is " + root->name + ")";
    setError(ERR_XML_LIBRARY_FAILURE, path + ": line 0, col 0 - " + why);
  }
  if (options == nullptr) {
    setError(ERR_SECURITY_OPTIONS_LOAD);
    return false;
  }
  readOptions(*options);
  return true;
}

void qv_security_options::readOptions(const qv_xml::Element& o) {
  // The document has been validated: every child is there with its type.
  auto child = [&](const char* name) -> const qv_xml::Element* { return qv_xml::firstChild(o, name); };
  auto flag = [&](const char* name, bool& to) {
    if (const auto* e = child(name)) to = qv_xml::textAsFlag(*e);
  };
  auto integer = [&](const char* name, int32_t& to) {
    if (const auto* e = child(name)) to = qv_xml::textAsInt(*e).value_or(to);
  };
  auto longer = [&](const char* name, int64_t& to) {
    if (const auto* e = child(name)) to = qv_xml::textAsLong(*e).value_or(to);
  };
  auto text = [&](const char* name, std::string& to) {
    if (const auto* e = child(name)) to = e->text;
  };
  flag("securityEnabled", securityEnabled_);
  longer("sessionTimeout", sessionTimeout_);
  longer("defaultPasswordExpiryTime", defaultPasswordExpiryTime_);
  integer("minimumPasswordLength", minimumPasswordLength_);
  flag("useSessionCookies", useSessionCookies_);
  flag("verifySessionIPAddress", verifySessionIPAddress_);
  text("corvanaAppServerURL", corvanaAppServerURL_);
  text("corvanaDatabaseName", corvanaDatabaseName_);
  text("corvanaOracleServerName", corvanaOracleServerName_);
  integer("logLevel", logLevel_);
  text("logFileName", logFileName_);
}

bool qv_security_options::save(const std::string& path, std::string& error) const {
  qv_xml::Element root = qv_xml::createDocument(qv_xml::kSecurityPrefix, "security_options",
                                                qv_xml::kSecurityNamespace, qv_xml::securitySchemaLocation(), "1", "0");
  qv_xml::Element& o = qv_xml::appendChild(root, "options");
  auto flag = [](bool v) { return v ? "true" : "false"; };
  qv_xml::appendChild(o, "securityEnabled", flag(securityEnabled_));
  qv_xml::appendChild(o, "sessionTimeout", std::to_string(sessionTimeout_));
  qv_xml::appendChild(o, "defaultPasswordExpiryTime", std::to_string(defaultPasswordExpiryTime_));
  qv_xml::appendChild(o, "minimumPasswordLength", std::to_string(minimumPasswordLength_));
  qv_xml::appendChild(o, "useSessionCookies", flag(useSessionCookies_));
  qv_xml::appendChild(o, "verifySessionIPAddress", flag(verifySessionIPAddress_));
  qv_xml::appendChild(o, "corvanaAppServerURL", corvanaAppServerURL_);
  qv_xml::appendChild(o, "corvanaDatabaseName", corvanaDatabaseName_);
  qv_xml::appendChild(o, "corvanaOracleServerName", corvanaOracleServerName_);
  qv_xml::appendChild(o, "logLevel", std::to_string(logLevel_));
  qv_xml::appendChild(o, "logFileName", logFileName_);
  return qv_xml::writeFile(root, path, qv_platform::ReplaceMode::CreateOrReplace, error) ==
         qv_platform::ReplaceResult::Replaced;
}
