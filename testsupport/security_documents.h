#pragma once
// Documents of the security store as the login side writes them, for the
// tests that put sessions and options into a server tree.
#include <cstdint>
#include <map>
#include <string>

namespace qvtest {

/// Values of a session's session_data elements, by element name.
using SessionFields = std::map<std::string, std::string>;

/// A session file, pretty-printed with CR LF line ends: user 42 of type 1,
/// security flag true, no timeout, no address check, last accessed at
/// `lastAccessed`, each field as `changes` gives it instead. `custom` and
/// `tasks` are the contents of custom_parameters and permitted_tasks.
std::string sessionXml(int64_t lastAccessed, const SessionFields& changes = {}, const std::string& custom = "",
                       const std::string& tasks = "");

/// The security options: security on or off, the session address check, the
/// Corvana server's URL (by default a port nothing listens on); session
/// timeout 21600, log file ../logs/security.log.
std::string optionsXml(bool enabled = true, bool verifyAddress = false,
                       const std::string& corvanaURL = "http://127.0.0.1:9/topaz");

}  // namespace qvtest
