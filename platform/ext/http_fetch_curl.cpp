// The HTTP service of the extension module, on libcurl: one easy handle per
// fetch, proxy modes, time-outs, cache bypass and the relaxed certificate
// checks for https (host name and validity dates).
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509_vfy.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/http_fetch.h"

namespace {

constexpr const char* kAgent = "qvparser wininet 1.0";
// A transfer that fails after the server has begun to answer is tried again,
// this many times in all; then the fetch fails.
constexpr int kMaxAttempts = 3;
// Largest answer kept; a longer one fails the transfer.
constexpr size_t kMaxAnswerBytes = 64u << 20;
// The whole transfer may take this many time-outs before it is given up, so
// that a server that trickles bytes cannot hold a fetch for ever.
constexpr long kTotalTimeFactor = 10;

using Clock = std::chrono::steady_clock;

struct Sink {
  std::string* body;
  bool tooLarge = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t n = size * count;
  if (sink->body->size() + n > kMaxAnswerBytes) {
    sink->tooLarge = true;
    return 0;  // ends the transfer with a write error
  }
  sink->body->append(data, n);
  return n;
}

// Certificate checks for https: the chain must still lead to a trusted
// authority, but an expired or not yet valid certificate is accepted.
int acceptDateErrors(int preverifyOk, X509_STORE_CTX* ctx) {
  if (preverifyOk) return 1;
  const int err = X509_STORE_CTX_get_error(ctx);
  if (err == X509_V_ERR_CERT_HAS_EXPIRED || err == X509_V_ERR_CERT_NOT_YET_VALID) {
    X509_STORE_CTX_set_error(ctx, X509_V_OK);
    return 1;
  }
  return 0;
}

CURLcode relaxDates(CURL*, void* sslCtx, void*) {
  SSL_CTX_set_verify(static_cast<SSL_CTX*>(sslCtx), SSL_VERIFY_PEER, acceptDateErrors);
  return CURLE_OK;
}

// Local names (without a dot) bypass the named proxy.
bool isLocalName(const std::string& address) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> url(curl_url(), curl_url_cleanup);
  if (!url || curl_url_set(url.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) return false;
  char* host = nullptr;
  if (curl_url_get(url.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK || host == nullptr) return false;
  const bool local = std::string(host).find('.') == std::string::npos && host[0] != '[';
  curl_free(host);
  return local;
}

class CurlFetcher final : public qv_platform::qv_http_fetcher {
 public:
  bool fetch(const std::string& address, const qv_platform::HttpFetchSettings& settings, std::string& result,
             std::vector<qv_platform::HttpFetchFailure>& failures) const override {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    result.clear();
    // One deadline for all attempts, so that retries cannot stretch it.
    std::optional<Clock::time_point> deadline;
    if (settings.totalTimeoutSeconds > 0) deadline = Clock::now() + std::chrono::seconds(settings.totalTimeoutSeconds);
    for (int attempt = 1; attempt <= kMaxAttempts; ++attempt) {
      result.clear();
      bool retry = false;
      if (fetchOnce(address, settings, deadline, result, failures, retry)) return true;
      if (!retry) break;
    }
    result.clear();
    return false;
  }

 private:
  static bool fetchOnce(const std::string& address, const qv_platform::HttpFetchSettings& s,
                        const std::optional<Clock::time_point>& deadline, std::string& result,
                        std::vector<qv_platform::HttpFetchFailure>& failures, bool& retry) {
    // Milliseconds left before the deadline (at least 1: 0 would mean no limit).
    long leftMs = 0;
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
      if (left <= 0) {
        failures.push_back({curl_easy_strerror(CURLE_OPERATION_TIMEDOUT), "curl_easy_perform"});
        return false;
      }
      leftMs = static_cast<long>(left);
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) {
      failures.push_back({curl_easy_strerror(CURLE_FAILED_INIT), "curl_easy_init"});
      return false;
    }
    CURL* h = curl.get();
    char errorBuffer[CURL_ERROR_SIZE] = {0};
    Sink sink{&result};
    const long timeout = std::max(1, s.timeoutSeconds);
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
    for (const char* header : {"Pragma: no-cache", "Cache-Control: no-cache"}) {
      // On failure curl_slist_append returns null and leaves the list as it was.
      if (curl_slist* longer = curl_slist_append(headers.get(), header)) {
        headers.release();
        headers.reset(longer);
      }
    }

    curl_easy_setopt(h, CURLOPT_URL, address.c_str());
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, kAgent);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, timeout);
    // Receive and send time-outs: a transfer that moves no byte for the
    // time-out is ended.
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, timeout);
    // The whole transfer (name look-up, connection, request, redirects and
    // answer) ends at the deadline when there is one.
    if (deadline) {
      curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, std::min(leftMs, timeout * kTotalTimeFactor * 1000));
    } else {
      curl_easy_setopt(h, CURLOPT_TIMEOUT, timeout * kTotalTimeFactor);
    }
    if (s.httpVersion != 2) {
      curl_easy_setopt(h, CURLOPT_HTTP_VERSION, s.httpVersion == 0 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
    }
    if (s.proxyMode == 0 || (s.proxyMode == 2 && (s.proxyServer.empty() || isLocalName(address)))) {
      curl_easy_setopt(h, CURLOPT_PROXY, "");  // direct, whatever the environment says
    } else if (s.proxyMode == 2) {
      curl_easy_setopt(h, CURLOPT_PROXY, s.proxyServer.c_str());
    }
    if (!s.proxyUserName.empty()) {
      curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, s.proxyUserName.c_str());
      curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, s.proxyPassword.c_str());
    }
    if (address.compare(0, 5, "https") == 0) {
      curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 0L);
      curl_easy_setopt(h, CURLOPT_SSL_CTX_FUNCTION, relaxDates);
    }

    const CURLcode rc = curl_easy_perform(h);
    if (rc == CURLE_OK) return true;
    std::string text = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(rc);
    if (sink.tooLarge) text = "the answer is larger than 67108864 bytes";
    failures.push_back({text, "curl_easy_perform"});
    // Tried again only when the server had begun to answer and the transfer
    // broke off; a refused connection, a time-out before any answer, an HTTP
    // error status or an oversized answer end the fetch at once.
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    retry = status != 0 && !sink.tooLarge && rc != CURLE_HTTP_RETURNED_ERROR && rc != CURLE_OPERATION_TIMEDOUT;
    return false;
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qv_platform::qv_http_fetcher* qv_ext_http() {
  static const CurlFetcher fetcher;
  return &fetcher;
}
