// Fuzz target: a session opened from fuzzed session-file bytes and a fuzzed
// cookie. Input: one flag byte (1: the identifier is given directly, 2: a
// web request from 127.0.0.1, 4: a browser agent string), one byte giving
// the cookie's length, the cookie's value, then the session file's bytes.
// Opening must end valid or with messages, never crash, and never touch a
// file outside the sessions directory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "security/qv_session.h"

namespace {

namespace fs = std::filesystem;

fs::path g_root;

void removeTree() {
  std::error_code ec;
  fs::remove_all(g_root, ec);
}

void writeFile(const fs::path& p, const std::string& bytes) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << bytes;
}

// A server tree with security on and no security log, entered as cgi/.
void setUpTree() {
  std::random_device random;
  g_root = fs::temp_directory_path() / ("qv-session-fuzz-" + std::to_string(random()));
  for (const char* dir : {"cgi", "config", "logs", "sessions"}) fs::create_directories(g_root / dir);
  fs::copy_file(fs::path(QV_SOURCE_DIR) / "schemas/tarnel_security_1_0.xsd",
                g_root / "config/tarnel_security_1_0.xsd");
  writeFile(g_root / "config/security_options.xml",
            "<qvs:security_options xmlns:qvs=\"urn:tarnel:security:1.0\" majorVersion=\"1\" minorVersion=\"0\">"
            "<qvs:options><qvs:securityEnabled>true</qvs:securityEnabled><qvs:sessionTimeout>21600"
            "</qvs:sessionTimeout><qvs:defaultPasswordExpiryTime>365</qvs:defaultPasswordExpiryTime>"
            "<qvs:minimumPasswordLength>5</qvs:minimumPasswordLength><qvs:useSessionCookies>true"
            "</qvs:useSessionCookies><qvs:verifySessionIPAddress>true</qvs:verifySessionIPAddress>"
            "<qvs:corvanaAppServerURL>http://127.0.0.1:9/topaz</qvs:corvanaAppServerURL>"
            "<qvs:corvanaDatabaseName>c</qvs:corvanaDatabaseName><qvs:corvanaOracleServerName>c"
            "</qvs:corvanaOracleServerName><qvs:logLevel>6</qvs:logLevel><qvs:logFileName></qvs:logFileName>"
            "</qvs:options></qvs:security_options>");
  writeFile(g_root / "secret", "not a session");
  fs::current_path(g_root / "cgi");
  std::atexit(removeTree);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (g_root.empty()) setUpTree();
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const size_t cookieLength = std::min<size_t>(data[1], size - 2);
  const std::string cookie(reinterpret_cast<const char*>(data + 2), cookieLength);
  const std::string file(reinterpret_cast<const char*>(data + 2 + cookieLength), size - 2 - cookieLength);
  writeFile(g_root / "sessions/fuzz_session", file);

  qv_session_request request;
  request.cookie = "TARNEL_SESSION=" + cookie;
  if (flags & 2) request.remoteAddr = "127.0.0.1";
  if (flags & 4) request.userAgent = "fuzz agent";
  qv_session_context context;
  qv_connection_settings direct;
  direct.proxyMode = 0;
  direct.timeoutSeconds = 1;
  context.connection = direct;
  qv_session session((flags & 1) ? "fuzz_session" : "", context, request);
  (void)session.isValid();
  (void)session.getUserID();
  (void)session.getUserName();
  (void)session.canResultsFileBeViewed(static_cast<int32_t>(flags));
  for (int n = 1; n <= session.getErrors().getNumberOfErrors(); ++n) (void)session.getErrors().getErrorString(n).size();
  // Whatever was opened, nothing outside sessions/ was written.
  std::ifstream secret(g_root / "secret");
  std::string text((std::istreambuf_iterator<char>(secret)), std::istreambuf_iterator<char>());
  if (text != "not a session") std::abort();
  return 0;
}
