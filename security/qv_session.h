#pragma once
// A session: who is using the server and what that user may do. Sessions
// are XML files in "../sessions/", one per session, named by the session
// identifier. Opening one finds it (from the identifier given, the
// TARNEL_SESSION cookie, or the web request's client), loads it and checks
// it: address, client identity, Corvana login, timeout. Every refusal is a
// level-1 message of the session's error list, so a caller only asks
// isValid(), then getLastError() to tell a timeout from any other refusal
// (the message numbers are named in security/security_messages.h):
//
//   qv_session session(sessionID);
//   if (!session.isValid()) return session.getLastError() == ERR_SESSION_TIMED_OUT ? 10 : 11;
//   if (!session.canResultsFileBeViewed(ownerUserID)) return 11;
//
// Implemented in three files: qv_session.cpp (loading, checks, saving and
// the rights), session_lookup.cpp (finding the session of a request that
// names none) and corvana_check.cpp (the Corvana login check).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "config/connection_settings.h"
#include "errors/qv_errors.h"
#include "security/qv_permitted_task.h"
#include "security/qv_security_options.h"

/// Where a session finds its files. The defaults are the server's own
/// layout, relative to its cgi/ directory.
struct qv_session_context {
  std::string sessionsDirectory = "../sessions/";  ///< ends with "/"
  std::string optionsPath = qv_security_options::kDefaultPath;
  std::string schemaPath = qv_xml::kSecuritySchemaPath;
  /// Proxy settings for the Corvana login check; when unset they are taken
  /// from the Options section of the server configuration when needed.
  std::optional<qv_connection_settings> connection;
  /// Time-out of the Corvana login check in seconds; unset: the time-out of
  /// the connection settings. It bounds the whole check: connection,
  /// request and answer, however slowly the server answers.
  std::optional<int> corvanaTimeoutSeconds;
};

/// The parts of the web request a session looks at.
struct qv_session_request {
  std::optional<std::string> remoteAddr;  ///< REMOTE_ADDR: set for every web request
  std::optional<std::string> remoteUser;  ///< REMOTE_USER: the web-server login
  std::optional<std::string> userAgent;   ///< HTTP_USER_AGENT
  std::optional<std::string> cookie;      ///< HTTP_COOKIE

  /// The request as the web server describes it in the environment.
  static qv_session_request fromEnvironment();
};

class qv_session {
 public:
  /// The special session identifiers.
  static constexpr const char* kSecurityDisabledSession = "all_secdisabledsession";
  static constexpr const char* kCommandLineSession = "cmd_cmdlinesession";
  static constexpr const char* kGuestSession = "guest_guestsession";
  static constexpr const char* kWebServerSuffix = "_webserverauth";
  static constexpr const char* kComputerAddressSuffix = "_computeripaddress";
  static constexpr const char* kComputerNameSuffix = "_computername";
  static constexpr const char* kAgentStringSuffix = "_agentstring";

  /// The fixed parameter names.
  static constexpr const char* kEmailAddress = "_EmailAddress";
  static constexpr const char* kFullUserName = "_FullUserName";
  static constexpr const char* kIPAddress = "_IPAddress";
  static constexpr const char* kLastAccessed = "_LastAccessed";
  static constexpr const char* kSecurityEnabled = "_SecurityEnabled";
  static constexpr const char* kTimeout = "_Timeout";
  static constexpr const char* kUserID = "_UserID";
  static constexpr const char* kUserName = "_UserName";
  static constexpr const char* kUserType = "_UserType";
  static constexpr const char* kVerifyIPAddress = "_VerifyIPAddress";

  /// Opens the session `sessionID` (empty: found from the cookie or the
  /// client) with the security options of the context, and checks it; see
  /// isValid(). With security off in the options it is the
  /// security-disabled session, whatever `sessionID` names: no session file
  /// is read or written. The request is read from the environment
  /// (REMOTE_ADDR, REMOTE_USER, HTTP_USER_AGENT, HTTP_COOKIE). An identifier
  /// that contains "/", "\" or a control character, or begins with ".", is
  /// discarded like one whose session file does not exist. A successful
  /// open rewrites the file with the time of this access; a session whose
  /// file was removed (log-out) after it was read is refused with 4355 and
  /// not written back.
  explicit qv_session(std::string_view sessionID, const qv_session_context& context = {});
  /// The same for the request `request` instead of the environment's.
  qv_session(std::string_view sessionID, const qv_session_context& context, const qv_session_request& request);

  /// True when opening and every later operation left no level-1 message.
  bool isValid() const { return errors_.isValid(); }
  /// Number of the last message, 0 when there is none.
  int getLastError() const { return errors_.getLastError(); }
  const qv_errors& getErrors() const { return errors_; }

  /// The identifier of the session opened (empty when none was found).
  const std::string& getSessionID() const { return sessionID_; }
  /// False for the security-disabled session, which is never written.
  bool isKeptInFile() const { return keptInFile_; }

  int32_t getUserID() const;          ///< -1 when absent
  std::string getUserName() const;    ///< empty when absent
  int32_t getUserType() const;        ///< 1 when absent
  /// The session's own securityEnabled parameter (true when absent). What
  /// the user may do never follows it: the security options decide.
  bool isSecurityEnabled() const;
  int64_t getLastAccessed() const;    ///< 0 when absent
  int64_t getTimeout() const;         ///< 0 when absent
  std::string getIPAddress() const;   ///< empty when absent
  bool isVerifyIPAddress() const;     ///< false when absent

  /// Typed parameter getters: false (and `value` untouched) when the
  /// parameter is absent or does not read as the type.
  [[nodiscard]] bool getParameter(std::string_view name, std::string& value) const;
  [[nodiscard]] bool getIntParameter(std::string_view name, int64_t& value) const;
  [[nodiscard]] bool getFlagParameter(std::string_view name, bool& value) const;
  [[nodiscard]] bool getTimeParameter(std::string_view name, int64_t& value) const;

  /// Parameter setters: store the value and rewrite the session file
  /// (atomically). An invalid session gives 4361, a session that may not
  /// keep parameters 4362, a value a fixed parameter cannot hold or a
  /// failed write 4356 (the old file stays whole), a session whose file has
  /// been removed meanwhile 4355 (the file is not made again); each returns
  /// false.
  [[nodiscard]] bool setParameter(std::string_view name, std::string_view value);
  [[nodiscard]] bool setIntParameter(std::string_view name, int64_t value);
  [[nodiscard]] bool setFlagParameter(std::string_view name, bool value);
  [[nodiscard]] bool setTimeParameter(std::string_view name, int64_t value);

  /// Whether this session's user may see the results of a task owned by
  /// user `ownerUserID` (recorded as trace 4917). False on an invalid session.
  bool canResultsFileBeViewed(int32_t ownerUserID);

  /// True when the security options have security off (the session is the
  /// security-disabled session) or the user id is 3, else as the
  /// permitted-task list answers.
  bool isPermitted(int32_t taskID) const;
  bool isPermitted(int32_t taskID, int32_t value) const;

  const qv_security_options& getSecurityOptions() const { return options_; }
  const qv_permitted_tasks& getPermittedTasks() const { return tasks_; }

 private:
  using Request = qv_session_request;
  void open(std::string_view sessionID, const Request& request);
  std::string identifierFromCookie(const Request& request);
  std::string findWebSession(const Request& request) const;
  std::string findComputerSession(const Request& request) const;
  std::string findAgentSession(const Request& request) const;
  std::string webServerSessionName(const Request& request) const;
  bool sessionFileExists(const std::string& identifier) const;
  void makeSecurityDisabledSession();
  [[nodiscard]] bool openCommandLineSession();
  [[nodiscard]] bool load(const std::string& identifier);
  [[nodiscard]] bool checkClient(const Request& request);
  [[nodiscard]] bool verifyCorvanaConnection();
  [[nodiscard]] bool save();
  [[nodiscard]] bool storeParameter(std::string_view name, std::string value);
  bool isSecurityOff() const;
  std::string filePath(const std::string& identifier) const { return context_.sessionsDirectory + identifier; }
  template <typename... A>
  void refuse(int number, const A&... args) {
    errors_.setErrorForSession(sessionID_, getUserID(), number, args...);
  }

  qv_session_context context_;
  qv_errors errors_;
  std::string sessionID_;
  std::map<std::string, std::string, std::less<>> parameters_;
  qv_security_options options_;
  qv_permitted_tasks tasks_;
  bool keptInFile_ = true;
  bool maySave_ = true;
};

/// True when `identifier` may name a session file: not empty, no "/", "\"
/// or control character, and not beginning with ".".
bool qv_isSafeSessionIdentifier(std::string_view identifier);

/// Percent-decodes a cookie value: "%" and two hexadecimal digits stand for
/// that byte; a "%" with fewer than two characters after it is dropped; any
/// other "%" stays.
std::string qv_percentDecode(std::string_view text);

/// The Corvana connection id made from a session identifier (the first "@"
/// becomes "|", the character at the last "_" is removed), or nullopt when
/// the identifier lacks an "@" or an "_".
std::optional<std::string> qv_corvanaConnectionID(std::string_view identifier);
