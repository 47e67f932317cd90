#include "testsupport/security_documents.h"

namespace qvtest {

std::string sessionXml(int64_t lastAccessed, const SessionFields& changes, const std::string& custom,
                       const std::string& tasks) {
  SessionFields f = {{"emailAddress", "user@example.invalid"},
                     {"fullUserName", "A User"},
                     {"ipAddress", "127.0.0.1"},
                     {"lastAccessed", std::to_string(lastAccessed)},
                     {"securityEnabled", "true"},
                     {"timeout", "0"},
                     {"userID", "42"},
                     {"userName", "user"},
                     {"userType", "1"},
                     {"verifyAddress", "false"}};
  for (const auto& [k, v] : changes) f[k] = v;
  std::string x =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\r\n"
      "<qvs:security_session xmlns:qvs=\"urn:tarnel:security:1.0\" "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\" majorVersion=\"1\" "
      "minorVersion=\"0\">\r\n  <qvs:session_data>\r\n";
  for (const char* name : {"emailAddress", "fullUserName", "ipAddress", "lastAccessed", "securityEnabled", "timeout",
                           "userID", "userName", "userType", "verifyAddress"}) {
    x += std::string("    <qvs:") + name + ">" + f[name] + "</qvs:" + name + ">\r\n";
  }
  x += "    <qvs:custom_parameters>" + custom + "</qvs:custom_parameters>\r\n";
  x += "    <qvs:permitted_tasks>" + tasks + "</qvs:permitted_tasks>\r\n";
  x += "  </qvs:session_data>\r\n</qvs:security_session>\r\n";
  return x;
}

std::string optionsXml(bool enabled, bool verifyAddress, const std::string& corvanaURL) {
  return std::string(
             "<?xml version=\"1.0\"?>\n"
             "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" "
             "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
             "xsi:schemaLocation=\"urn:tarnel:security:1.0 ../config/tarnel_security_1_0.xsd\" majorVersion=\"1\" "
             "minorVersion=\"0\"><qvs:options><qvs:securityEnabled>") +
         (enabled ? "true" : "false") +
         "</qvs:securityEnabled><qvs:sessionTimeout>21600</qvs:sessionTimeout>"
         "<qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime>"
         "<qvs:minimumPasswordLength>5</qvs:minimumPasswordLength><qvs:useSessionCookies>true</qvs:useSessionCookies>"
         "<qvs:verifySessionIPAddress>" +
         (verifyAddress ? "true" : "false") + "</qvs:verifySessionIPAddress><qvs:corvanaAppServerURL>" + corvanaURL +
         "</qvs:corvanaAppServerURL><qvs:corvanaDatabaseName>corvana</qvs:corvanaDatabaseName>"
         "<qvs:corvanaOracleServerName>corvana</qvs:corvanaOracleServerName><qvs:logLevel>3</qvs:logLevel>"
         "<qvs:logFileName>../logs/security.log</qvs:logFileName></qvs:options></qvs:security_options>\n";
}

}  // namespace qvtest
