#pragma once
// Numbers of the library messages that the security store and the sessions
// record (their texts and levels are in the library message table).

/// "XML library failure with error: %s" (one per parse problem).
inline constexpr int ERR_XML_LIBRARY_FAILURE = 2049;
/// "Failed to load the main security configuration files".
inline constexpr int ERR_SECURITY_OPTIONS_LOAD = 4108;
/// "Can't find the session file requested".
inline constexpr int ERR_SESSION_FILE_NOT_FOUND = 4355;
/// "Can't save the session file %s".
inline constexpr int ERR_SESSION_SAVE = 4356;
/// "Session has timed out".
inline constexpr int ERR_SESSION_TIMED_OUT = 4357;
/// Session opened from another address than it was made for.
inline constexpr int ERR_SESSION_WRONG_ADDRESS = 4358;
/// "User is not logged in, so could not create a session ".
inline constexpr int ERR_SESSION_NOT_LOGGED_IN = 4360;
/// Parameters saved on an invalid session.
inline constexpr int ERR_SESSION_SAVE_INVALID = 4361;
/// Parameters saved on a session that may not keep them.
inline constexpr int ERR_SESSION_SAVE_NOT_ALLOWED = 4362;
/// Computer session used from another computer (identifier, address).
inline constexpr int ERR_SESSION_WRONG_COMPUTER = 4369;
/// Web-server login session used under another login (identifier, login).
inline constexpr int ERR_SESSION_WRONG_WEB_LOGIN = 4370;
/// Agent-string session used with another agent (identifier, agent string).
inline constexpr int ERR_SESSION_WRONG_AGENT = 4371;
/// Command-line session used from a web request (identifier, address).
inline constexpr int ERR_SESSION_CMDLINE_FROM_WEB = 4372;
/// "Failed to contact Corvana server. See previous error in log file."
inline constexpr int ERR_CORVANA_CONTACT = 4373;
/// "Corvana connection id has probably timed out. Error return is: %s".
inline constexpr int ERR_CORVANA_TIMED_OUT = 4377;

/// Traces of the Corvana connection check: the response, the address, passed.
inline constexpr int TRACE_CORVANA_RESPONSE = 4881;
inline constexpr int TRACE_CORVANA_URL = 4883;
inline constexpr int TRACE_CORVANA_OK = 4884;
/// Traces of opening a session: identifier, cookie, loading, results check.
inline constexpr int TRACE_SESSION_OPEN = 4912;
inline constexpr int TRACE_SESSION_COOKIE = 4913;
inline constexpr int TRACE_SESSION_LOADING = 4914;
inline constexpr int TRACE_RESULTS_VIEWABLE = 4917;
