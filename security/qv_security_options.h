#pragma once
// The server-wide security settings: whether security is on, the session
// timeout, password rules, the security log and the Corvana connection. They
// live in "../config/security_options.xml", a document of the security store;
// without that file every setting keeps its default.
#include <cstdint>
#include <string>

#include "errors/qv_errors.h"
#include "security/qv_xml.h"

/// The security options. It is its own error list: loading reports into it.
class qv_security_options : public qv_errors {
 public:
  /// Where the server keeps the options, relative to cgi/.
  static constexpr const char* kDefaultPath = "../config/security_options.xml";

  /// Every setting at its default.
  qv_security_options() { setDefaults(); }

  /// Sets every setting to its default.
  void setDefaults();

  /// Sets the defaults, then reads `path` validated against `schemaPath`.
  /// No file: the defaults stand and the load succeeds. A file that does not
  /// validate: one 2049 message per problem, then 4108, the defaults stay and
  /// the load fails. A valid document of another kind (a session document,
  /// whose root is not qvs:security_options with a qvs:options child) fails
  /// the same way, with one 2049 naming its root element.
  [[nodiscard]] bool load(const std::string& path = kDefaultPath,
                          const std::string& schemaPath = qv_xml::kSecuritySchemaPath);

  /// Writes the options as a document of the security store to `path`
  /// (replaced atomically). False with a reason in `error`.
  [[nodiscard]] bool save(const std::string& path, std::string& error) const;

  bool isSecurityEnabled() const { return securityEnabled_; }
  int64_t getSessionTimeout() const { return sessionTimeout_; }
  int64_t getDefaultPasswordExpiryTime() const { return defaultPasswordExpiryTime_; }
  int32_t getMinimumPasswordLength() const { return minimumPasswordLength_; }
  bool isUseSessionCookies() const { return useSessionCookies_; }
  bool isVerifySessionIPAddress() const { return verifySessionIPAddress_; }
  const std::string& getCorvanaAppServerURL() const { return corvanaAppServerURL_; }
  const std::string& getCorvanaDatabaseName() const { return corvanaDatabaseName_; }
  const std::string& getCorvanaOracleServerName() const { return corvanaOracleServerName_; }
  int32_t getLogLevel() const { return logLevel_; }
  const std::string& getLogFileName() const { return logFileName_; }

  void setSecurityEnabled(bool v) { securityEnabled_ = v; }
  void setSessionTimeout(int64_t v) { sessionTimeout_ = v; }
  void setDefaultPasswordExpiryTime(int64_t v) { defaultPasswordExpiryTime_ = v; }
  void setMinimumPasswordLength(int32_t v) { minimumPasswordLength_ = v; }
  void setUseSessionCookies(bool v) { useSessionCookies_ = v; }
  void setVerifySessionIPAddress(bool v) { verifySessionIPAddress_ = v; }
  void setCorvanaAppServerURL(std::string v) { corvanaAppServerURL_ = std::move(v); }
  void setCorvanaDatabaseName(std::string v) { corvanaDatabaseName_ = std::move(v); }
  void setCorvanaOracleServerName(std::string v) { corvanaOracleServerName_ = std::move(v); }
  void setLogLevel(int32_t v) { logLevel_ = v; }
  void setLogFileName(std::string v) { logFileName_ = std::move(v); }

 private:
  void readOptions(const qv_xml::Element& options);

  bool securityEnabled_ = false;
  int64_t sessionTimeout_ = 0;
  int64_t defaultPasswordExpiryTime_ = 0;
  int32_t minimumPasswordLength_ = 0;
  bool useSessionCookies_ = false;
  bool verifySessionIPAddress_ = false;
  std::string corvanaAppServerURL_;
  std::string corvanaDatabaseName_;
  std::string corvanaOracleServerName_;
  int32_t logLevel_ = 0;
  std::string logFileName_;
};
