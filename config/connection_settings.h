#pragma once
// How configuration files are fetched from the server over HTTP: session,
// proxy and time-out settings, as the configuration object and the sessions
// hand them to the configuration source.
#include <string>

/// Connection settings, with their defaults.
struct qv_connection_settings {
  std::string sessionID;      ///< appended to requests as "&sessionID=" when not empty
  std::string proxyServer;    ///< used with proxy mode 2
  std::string proxyUserName;  ///< a user name needs a password
  std::string proxyPassword;
  /// 0 direct, 1 the system's configured settings, 2 the named proxy server.
  int proxyMode = 1;
  /// 2 leaves the library's default; 0 asks for HTTP 1.0, any other value above 0 for 1.1.
  int httpVersion = 2;
  int timeoutSeconds = 60;  ///< connect, receive and send time-out
  /// When above 0, the whole fetch (connection, request, answer and every
  /// retry) ends after this many seconds, however slowly the server answers.
  int totalTimeoutSeconds = 0;
};
