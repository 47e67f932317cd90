#pragma once
// Reverse look-up of a client's address: which host name it belongs to.
#include <optional>
#include <string>

namespace qv_platform {

/// The host name that the dotted IPv4 address `address` resolves to through
/// the system's resolver (the hosts file first, then the name service), or
/// nullopt when the text is not an IPv4 address or no name is known.
std::optional<std::string> hostNameOfAddress(const std::string& address);

}  // namespace qv_platform
