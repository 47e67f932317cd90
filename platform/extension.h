#pragma once
// The extension module holds the code that needs the heavy libraries (the XML
// library and the HTTP client). Loading those libraries costs several times
// the start-up of the whole program, so the module is opened with dlopen only
// when a command first needs one of its services.
//
// Each service is a C++ interface returned by an exported entry point named
// "qv_ext_<service>". The module is found beside the running program first,
// then in the installed library directory.
#include <string>

namespace qv_platform {

/// File name of the module.
inline constexpr const char* kExtensionFileName = "libqv-ext.so";

/// Loads the module on first use (later calls reuse it; it is never unloaded)
/// and returns the address of the entry point `symbol`, or nullptr with a
/// reason in `*error` when the module or the symbol cannot be found.
void* extensionSymbol(const char* symbol, std::string* error);

/// True once the module has been loaded by this process.
bool extensionLoaded();

/// Entry point of the module's self-description service.
inline constexpr const char* kExtensionInfoSymbol = "qv_ext_info";

/// Self-description of the module: which library versions it carries.
class qv_extension_info {
 public:
  virtual ~qv_extension_info() = default;
  /// Interface revision; bumped when an entry point changes incompatibly.
  virtual int abiVersion() const = 0;
  /// One line naming the XML library and HTTP client versions the module uses.
  virtual std::string libraryVersions() const = 0;
};

inline constexpr int kExtensionAbiVersion = 2;

/// The module's self-description, or nullptr (with `*error`) when it cannot be loaded.
const qv_extension_info* extensionInfo(std::string* error);

}  // namespace qv_platform
