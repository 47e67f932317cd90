// Self-description entry point of the extension module.
#include <curl/curl.h>
#include <xercesc/util/XercesVersion.hpp>

#include "platform/extension.h"

namespace {

class ExtensionInfo final : public qv_platform::qv_extension_info {
 public:
  int abiVersion() const override { return qv_platform::kExtensionAbiVersion; }
  std::string libraryVersions() const override {
    return std::string("xerces-c ") + XERCES_FULLVERSIONDOT + ", " + curl_version();
  }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const qv_platform::qv_extension_info* qv_ext_info() {
  static const ExtensionInfo info;
  return &info;
}
