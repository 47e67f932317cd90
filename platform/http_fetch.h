#pragma once
// Fetching a document over HTTP. The client library lives in the extension
// module (loaded on first use), so this interface carries no client types:
// the settings go in as plain values and each failure comes back as the
// library's error text and the name of the operation that failed.
#include <string>
#include <vector>

namespace qv_platform {

/// How a fetch reaches the server.
struct HttpFetchSettings {
  /// 0 direct, 1 the system's settings (the proxy environment variables),
  /// 2 the named proxy server, bypassed for local names (host names without a dot).
  int proxyMode = 1;
  std::string proxyServer;
  std::string proxyUserName;
  std::string proxyPassword;
  /// 2 leaves the library's default; 0 asks for HTTP 1.0, any other value above 0 for 1.1.
  int httpVersion = 2;
  /// Connect, receive and send time-out in seconds.
  int timeoutSeconds = 60;
  /// When above 0, the whole fetch ends after this many seconds, whatever
  /// the server does: connection, request, answer and every retry. 0 leaves
  /// only the time-outs above (and a bound of ten time-outs per attempt).
  int totalTimeoutSeconds = 0;
};

/// One failed operation of a fetch.
struct HttpFetchFailure {
  std::string errorText;  ///< the client library's text for the failure
  std::string operation;  ///< the library operation that failed
};

/// The HTTP client service of the extension module.
class qv_http_fetcher {
 public:
  virtual ~qv_http_fetcher() = default;
  /// Fetches `address` (the request as given; agent "qvparser wininet 1.0",
  /// no-cache headers) and puts the whole answer body into `result`. Returns
  /// false when the transfer fails; every failure met on the way, including
  /// retried ones, is appended to `failures`. A failing transfer is retried a
  /// bounded number of times, so the call always ends. Thread-compatible: one
  /// fetch at a time.
  virtual bool fetch(const std::string& address, const HttpFetchSettings& settings, std::string& result,
                     std::vector<HttpFetchFailure>& failures) const = 0;
};

/// Entry point of the HTTP service in the extension module.
inline constexpr const char* kHttpFetchSymbol = "qv_ext_http";

/// The HTTP service, loading the extension module on first use; nullptr with
/// a reason in `*error` when the module or the entry point cannot be found.
const qv_http_fetcher* httpFetcher(std::string* error);

}  // namespace qv_platform
