#include "platform/extension.h"

#include <dlfcn.h>

#include <vector>

#include "platform/process.h"

// Where the installed module lies relative to the installed programs
// ("../lib/qv-searchcontrol" for bin/ and lib/ under one prefix), so that
// an installation works wherever its prefix is.
#ifndef QV_EXT_RELATIVE_DIR
#define QV_EXT_RELATIVE_DIR "../lib/qv-searchcontrol"
#endif

namespace qv_platform {

namespace {

void* g_handle = nullptr;

void* openModule(std::string* error) {
  if (g_handle != nullptr) return g_handle;
  // Beside the program in the build tree; in the library folder of the
  // program's own prefix once installed. An absolute QV_EXT_RELATIVE_DIR
  // (a library folder outside the prefix) is used as it stands.
  const std::string dir = executableDirectory();
  const std::string installed = QV_EXT_RELATIVE_DIR[0] == '/' ? std::string(QV_EXT_RELATIVE_DIR)
                                                               : dir + "/" + QV_EXT_RELATIVE_DIR;
  std::vector<std::string> candidates = {
      dir + "/" + kExtensionFileName,
      installed + "/" + kExtensionFileName,
  };
  std::string reasons;
  for (const auto& path : candidates) {
    g_handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (g_handle != nullptr) return g_handle;
    const char* why = dlerror();
    if (!reasons.empty()) reasons += "; ";
    reasons += why != nullptr ? why : path;
  }
  if (error != nullptr) *error = "cannot load the extension module: " + reasons;
  return nullptr;
}

}  // namespace

void* extensionSymbol(const char* symbol, std::string* error) {
  void* handle = openModule(error);
  if (handle == nullptr) return nullptr;
  dlerror();
  void* sym = dlsym(handle, symbol);
  if (sym == nullptr && error != nullptr) {
    *error = std::string("extension module has no entry point ") + symbol;
  }
  return sym;
}

bool extensionLoaded() { return g_handle != nullptr; }

const qv_extension_info* extensionInfo(std::string* error) {
  using Entry = const qv_extension_info* (*)();
  auto entry = reinterpret_cast<Entry>(extensionSymbol(kExtensionInfoSymbol, error));
  if (entry == nullptr) return nullptr;
  const qv_extension_info* info = entry();
  if (info == nullptr || info->abiVersion() != kExtensionAbiVersion) {
    if (error != nullptr) *error = "extension module has an incompatible interface";
    return nullptr;
  }
  return info;
}

}  // namespace qv_platform
