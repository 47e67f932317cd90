// The Corvana login check of a session whose user logs in through the
// Corvana system: the Corvana application server is asked over HTTP whether
// the connection behind the session identifier is still logged in.
#include <algorithm>
#include <cstdio>

#include "config/config_source.h"
#include "config/process_settings.h"
#include "config/qv_datfile.h"
#include "platform/file_io.h"
#include "security/qv_session.h"
#include "security/security_messages.h"

namespace {

// Query text for the connection id: letters, digits and "-._~|@" stand as
// they are, every other byte is percent-encoded, so that no identifier can
// add parameters to the request or break its line.
std::string queryText(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '|' || c == '@') {
      out += c;
    } else {
      char buffer[4];
      std::snprintf(buffer, sizeof buffer, "%%%02X", u);
      out += buffer;
    }
  }
  return out;
}

// The proxy settings of the server configuration's Options section; the
// system's settings when the server has no configuration file (the search
// for one would wait for it to appear).
qv_connection_settings configuredConnection() {
  qv_connection_settings s;
  if (!qv_platform::pathExists(qv_datfile::kRelativePath)) return s;
  qv_datfile dat;
  dat.setFileName(qv_datfile::kRelativePath);
  dat.readFile();
  // Every reader of the configuration makes it the process's settings (logs,
  // groups, mail), so that what is reported later goes where it is configured.
  setProcessSettings(dat.getOptions(), dat.getCluster());
  const qv_options& o = dat.getOptions();
  s.proxyServer = o.getProxyServer();
  s.proxyUserName = o.getProxyUsername();
  s.proxyPassword = o.getProxyPassword();
  s.proxyMode = s.proxyServer.empty() ? 1 : 2;
  return s;
}

}  // namespace

std::optional<std::string> qv_corvanaConnectionID(std::string_view identifier) {
  const size_t at = identifier.find('@');
  const size_t underscore = identifier.rfind('_');
  if (at == std::string_view::npos || underscore == std::string_view::npos) return std::nullopt;
  std::string id(identifier);
  id[at] = '|';
  id.erase(underscore, 1);
  return id;
}

bool qv_session::verifyCorvanaConnection() {
  const std::optional<std::string> connectionID = qv_corvanaConnectionID(sessionID_);
  if (!connectionID) {
    refuse(ERR_CORVANA_TIMED_OUT, sessionID_);
    return false;
  }
  const std::string url = options_.getCorvanaAppServerURL() + "/rc?command=page&page=CheckLoginQV" +
                          "&connectionid=" + queryText(*connectionID) + "&action=check";
  errors_.setError(TRACE_CORVANA_URL, url);
  qv_connection_settings settings = context_.connection ? *context_.connection : configuredConnection();
  if (context_.corvanaTimeoutSeconds) settings.timeoutSeconds = *context_.corvanaTimeoutSeconds;
  // The time-out bounds the whole check, so that a server that answers a
  // byte now and then cannot hold the request.
  settings.totalTimeoutSeconds = std::max(1, settings.timeoutSeconds);
  // The transfer's own messages go into a list of their own, so that an
  // earlier message of the session cannot stop the request; they are then
  // logged here in front of 4373.
  qv_errors transfer;
  qv_config_source source(transfer, settings);
  std::string response;
  const bool fetched = source.fetch(url, response);
  errors_.addErrorsFrom(transfer);
  if (!fetched) {
    refuse(ERR_CORVANA_CONTACT);
    return false;
  }
  errors_.setError(TRACE_CORVANA_RESPONSE, response);
  if (response.find("logged_in=true") != std::string::npos) {
    errors_.setError(TRACE_CORVANA_OK);
    return true;
  }
  std::string reason = response;
  static constexpr std::string_view kOpen = "<div class=error>";
  const size_t open = response.find(kOpen);
  if (open != std::string::npos) {
    const size_t close = response.find("</div>", open + kOpen.size());
    if (close != std::string::npos) reason = response.substr(open + kOpen.size(), close - open - kOpen.size());
  }
  refuse(ERR_CORVANA_TIMED_OUT, reason);
  return false;
}
