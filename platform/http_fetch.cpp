#include "platform/http_fetch.h"

#include "platform/extension.h"

namespace qv_platform {

const qv_http_fetcher* httpFetcher(std::string* error) {
  using Entry = const qv_http_fetcher* (*)();
  auto entry = reinterpret_cast<Entry>(extensionSymbol(kHttpFetchSymbol, error));
  if (entry == nullptr) return nullptr;
  const qv_http_fetcher* fetcher = entry();
  if (fetcher == nullptr && error != nullptr) *error = "the extension module offers no HTTP client";
  return fetcher;
}

}  // namespace qv_platform
