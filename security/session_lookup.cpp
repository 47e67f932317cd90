// How a session is found when no identifier is given: the TARNEL_SESSION
// cookie, or the web request's client (web-server login, computer address or
// name, browser agent string, guest). Every candidate name must be a safe
// session identifier: nothing outside the sessions directory is ever read.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "platform/ascii.h"
#include "platform/file_io.h"
#include "platform/host_name.h"
#include "platform/regular_file.h"
#include "security/security_messages.h"
#include "security/qv_session.h"

bool qv_isSafeSessionIdentifier(std::string_view identifier) {
  if (identifier.empty() || identifier.front() == '.') return false;
  for (const char c : identifier) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7f) return false;
  }
  return true;
}

std::string qv_percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (text.size() - i < 3) continue;  // fewer than two characters follow: the "%" is dropped
    const int hi = qv_platform::hexDigitValue(text[i + 1]);
    const int lo = qv_platform::hexDigitValue(text[i + 2]);
    if (hi < 0 || lo < 0) {
      out += '%';
      continue;
    }
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return out;
}

qv_session_request qv_session_request::fromEnvironment() {
  qv_session_request r;
  r.remoteAddr = qv_platform::getEnv("REMOTE_ADDR");
  r.remoteUser = qv_platform::getEnv("REMOTE_USER");
  r.userAgent = qv_platform::getEnv("HTTP_USER_AGENT");
  r.cookie = qv_platform::getEnv("HTTP_COOKIE");
  return r;
}

std::string qv_session::identifierFromCookie(const Request& request) {
  if (!request.cookie) return {};
  static constexpr std::string_view kName = "TARNEL_SESSION=";
  const size_t at = request.cookie->find(kName);
  if (at == std::string::npos) return {};
  const size_t from = at + kName.size();
  const size_t end = request.cookie->find(';', from);
  const std::string identifier = qv_percentDecode(
      std::string_view(*request.cookie).substr(from, end == std::string::npos ? std::string::npos : end - from));
  errors_.setError(TRACE_SESSION_COOKIE, identifier);
  return identifier;
}

// Anything at the name counts, the name itself rather than what a link
// points to: a symbolic link (even a dangling one), directory or FIFO is
// chosen as a regular file would be, and its load is then refused (4355).
// Treating it as absent would instead pass the request on to another
// session (the guest or command-line one) or let a save replace it.
bool qv_session::sessionFileExists(const std::string& identifier) const {
  return qv_isSafeSessionIdentifier(identifier) &&
         qv_platform::entryKind(filePath(identifier)) != qv_platform::EntryKind::None;
}

std::string qv_session::webServerSessionName(const Request& request) const {
  if (!request.remoteUser) return {};
  const std::string& user = *request.remoteUser;
  const size_t backslash = user.rfind('\\');
  return (backslash == std::string::npos ? user : user.substr(backslash + 1)) + kWebServerSuffix;
}

std::string qv_session::findComputerSession(const Request& request) const {
  if (!request.remoteAddr) return {};
  std::string name = *request.remoteAddr + kComputerAddressSuffix;
  if (sessionFileExists(name)) return name;
  const std::optional<std::string> host = qv_platform::hostNameOfAddress(*request.remoteAddr);
  if (!host) return {};
  name = *host + kComputerNameSuffix;
  if (sessionFileExists(name)) return name;
  name = host->substr(0, host->find('.')) + kComputerNameSuffix;
  if (sessionFileExists(name)) return name;
  return {};
}

std::string qv_session::findAgentSession(const Request& request) const {
  if (!request.userAgent) return {};
  const std::string_view suffix = kAgentStringSuffix;
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(context_.sessionsDirectory, ec), end; !ec && it != end;
       it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
        qv_isSafeSessionIdentifier(name)) {
      names.push_back(std::move(name));
    }
  }
  // Directory order is arbitrary; name order makes the choice repeatable.
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string_view part = std::string_view(name).substr(0, name.size() - suffix.size());
    if (request.userAgent->find(part) != std::string::npos) return name;
  }
  return {};
}

std::string qv_session::findWebSession(const Request& request) const {
  std::string name = webServerSessionName(request);
  if (!name.empty() && sessionFileExists(name)) return name;
  name = findComputerSession(request);
  if (!name.empty()) return name;
  name = findAgentSession(request);
  if (!name.empty()) return name;
  if (sessionFileExists(kGuestSession)) return kGuestSession;
  return {};
}
