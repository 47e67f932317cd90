#include "config/config_source.h"

#include "config/config_messages.h"
#include "platform/ascii.h"
#include "platform/http_fetch.h"
#include "platform/qv_fileutil.h"
#include "platform/system_error.h"

qv_config_name_kind qv_classifyConfigName(std::string_view name) {
  if (name.size() < 4) return qv_config_name_kind::LocalText;
  const bool remote = qv_platform::startsWithIgnoringAsciiCase(name, "http:");
  const bool xml = qv_platform::startsWithIgnoringAsciiCase(name.substr(name.size() - 3), "xml");
  if (remote) return xml ? qv_config_name_kind::RemoteXml : qv_config_name_kind::RemoteText;
  return xml ? qv_config_name_kind::LocalXml : qv_config_name_kind::LocalText;
}

qv_read_text_result qv_readConfigText(const std::string& path, std::string& text, std::string* why) {
  text.clear();
  qv_file in = openRegularFile(path, "rb", qv_final_link::Follow, why);
  if (!in.isOpen()) return qv_read_text_result::CannotOpen;
  char buffer[65536];
  size_t lineLength = 0;  // characters of the current line read so far
  for (;;) {
    const int64_t n = in.read(buffer, sizeof buffer);
    if (n < 0) {
      // A configuration read only in part is no configuration: its missing
      // lines would silently become defaults.
      if (why != nullptr) *why = qv_platform::systemErrorText(qv_platform::lastErrorCode());
      text.clear();
      return qv_read_text_result::CannotRead;
    }
    if (n == 0) break;
    const size_t got = static_cast<size_t>(n);
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] == '\n') {
        lineLength = 0;
        continue;
      }
      if (++lineLength == kConfigTextLineCut) {
        // Every line reader ends the whole text at this line; nothing
        // behind it is needed.
        text.append(buffer, i + 1);
        return qv_read_text_result::Ok;
      }
    }
    if (text.size() + got > kConfigTextMaxBytes) {
      text.append(buffer, kConfigTextMaxBytes - text.size());
      return qv_read_text_result::Truncated;
    }
    text.append(buffer, got);
  }
  return qv_read_text_result::Ok;
}

std::optional<std::string> qv_readLocalConfigFile(const std::string& path, qv_errors& errors, bool* truncated) {
  std::string text;
  std::string why;
  const qv_read_text_result r = qv_readConfigText(path, text, &why);
  if (r == qv_read_text_result::CannotOpen) {
    errors.setError(MSG_FAILED_TO_OPEN_FILE, path, "r");
    return std::nullopt;
  }
  if (r == qv_read_text_result::CannotRead) {
    errors.setError(MSG_FAILED_TO_OPEN_FILE, path, "reading (" + why + ")");
    return std::nullopt;
  }
  if (truncated != nullptr) *truncated = r == qv_read_text_result::Truncated;
  return text;
}

std::optional<std::string> qv_config_source::open(const std::string& name, int kind, bool extraFlag) {
  if (kind < 0 || kind > 7) return std::nullopt;
  const qv_config_name_kind nameKind = qv_classifyConfigName(name);
  if (nameKind == qv_config_name_kind::LocalText || nameKind == qv_config_name_kind::LocalXml) {
    bool truncated = false;
    std::optional<std::string> text = qv_readLocalConfigFile(name, errors_, &truncated);
    if (truncated) errors_.setError(MSG_INVALID_LINE, name, "(the file is larger than 64 MiB; the rest is not read)");
    return text;
  }
  std::string address = name;
  if (kind != QV_FILE_AS_GIVEN) {
    std::optional<std::string> request = buildRequest(name, kind, extraFlag);
    if (!request) return std::nullopt;
    address = std::move(*request);
  }
  std::string result;
  if (!fetch(address, result)) return std::nullopt;
  return result;
}

std::optional<std::string> qv_config_source::buildRequest(const std::string& address, int kind, bool extraFlag) {
  if (address.size() < 8) {
    errors_.setError(MSG_INVALID_URL, address);
    return std::nullopt;
  }
  if (kind == QV_FILE_AS_GIVEN || kind == QV_FILE_AS_GIVEN_CHECKED) return address;
  const char* file = nullptr;
  switch (kind) {
    case QV_FILE_TARNEL_DAT: file = "QV_TARNEL_DAT"; break;
    case QV_FILE_ENZYMES: file = "QV_ENZYMES"; break;
    case QV_FILE_FRAGMENTATION_RULES: file = "QV_FRAGMENTATION_RULES"; break;
    case QV_FILE_MASSES: file = "QV_MASSES"; break;
    case QV_FILE_MOD_FILE: file = extraFlag ? "QV_SUBSTITUTIONS" : "QV_MOD_FILE"; break;
    case QV_FILE_TAXONOMY: file = "QV_TAXONOMY"; break;
    default: return std::nullopt;
  }
  std::string request = address;
  if (request.back() != '/') request += '/';
  request += "get_params.pl?Show=";
  request += file;
  if (!settings_.sessionID.empty()) {
    request += "&sessionID=";
    request += settings_.sessionID;
  }
  return request;
}

bool qv_config_source::fetch(const std::string& address, std::string& result) {
  result.clear();
  if (!settings_.proxyUserName.empty() && settings_.proxyPassword.empty()) {
    errors_.setError(MSG_HTTP_FAILED, "proxy user password should not be empty");
  }
  if (!errors_.isValid()) return false;
  std::string why;
  const qv_platform::qv_http_fetcher* fetcher = qv_platform::httpFetcher(&why);
  if (fetcher == nullptr) {
    errors_.setError(MSG_HTTP_CLIENT_FAILURE, why + ", with URL:" + address + ", calling:dlopen");
    return false;
  }
  qv_platform::HttpFetchSettings s;
  s.proxyMode = settings_.proxyMode;
  s.proxyServer = settings_.proxyServer;
  s.proxyUserName = settings_.proxyUserName;
  s.proxyPassword = settings_.proxyPassword;
  s.httpVersion = settings_.httpVersion;
  s.timeoutSeconds = settings_.timeoutSeconds;
  s.totalTimeoutSeconds = settings_.totalTimeoutSeconds;
  std::vector<qv_platform::HttpFetchFailure> failures;
  const bool ok = fetcher->fetch(address, s, result, failures);
  for (const auto& f : failures) {
    errors_.setError(MSG_HTTP_CLIENT_FAILURE, f.errorText + ", with URL:" + address + ", calling:" + f.operation);
  }
  return ok;
}
