// Opening a session: finding it, loading it and checking it, and its
// parameters with their file. The file is replaced atomically on every save.
#include "security/qv_session.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "platform/clock.h"
#include "platform/file_io.h"
#include "security/qv_xml.h"
#include "security/security_messages.h"

namespace {

// The fixed parameters in the order of the session file, with their elements.
struct FixedParameter {
  const char* name;
  const char* element;
  enum Kind { Text, Integer, Flag } kind;
  const char* absent;  // written when the parameter is not set
};
constexpr FixedParameter kFixed[] = {
    {qv_session::kEmailAddress, "emailAddress", FixedParameter::Text, ""},
    {qv_session::kFullUserName, "fullUserName", FixedParameter::Text, ""},
    {qv_session::kIPAddress, "ipAddress", FixedParameter::Text, ""},
    {qv_session::kLastAccessed, "lastAccessed", FixedParameter::Integer, "0"},
    {qv_session::kSecurityEnabled, "securityEnabled", FixedParameter::Flag, "true"},
    {qv_session::kTimeout, "timeout", FixedParameter::Integer, "0"},
    {qv_session::kUserID, "userID", FixedParameter::Integer, "-1"},
    {qv_session::kUserName, "userName", FixedParameter::Text, ""},
    {qv_session::kUserType, "userType", FixedParameter::Integer, "1"},
    {qv_session::kVerifyIPAddress, "verifyAddress", FixedParameter::Flag, "false"},
};

const FixedParameter* fixedParameter(std::string_view name) {
  for (const FixedParameter& f : kFixed) {
    if (name == f.name) return &f;
  }
  return nullptr;
}

std::optional<int64_t> readInteger(std::string_view text) {
  qv_xml::Element e;
  e.text = std::string(text);
  return qv_xml::textAsLong(e);
}

// Whether a fixed parameter can hold `value` and still give a valid file.
bool fixedValueAcceptable(const FixedParameter& f, std::string_view value) {
  if (f.kind == FixedParameter::Flag) return value == "true" || value == "false";
  if (f.kind != FixedParameter::Integer) return true;
  if (value.empty()) return false;
  size_t i = value[0] == '-' || value[0] == '+' ? 1 : 0;
  if (i == value.size() || value.size() > 20) return false;
  for (; i < value.size(); ++i) {
    if (value[i] < '0' || value[i] > '9') return false;
  }
  // The file's schema holds the user id and type as 32-bit numbers and the
  // others as 64-bit ones: a value beyond them would make a file that no
  // longer opens.
  const std::string_view digits = value[0] == '+' ? value.substr(1) : value;
  int64_t v = 0;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
  if (ec != std::errc() || end != digits.data() + digits.size()) return false;
  if (f.name == std::string_view(qv_session::kUserID) || f.name == std::string_view(qv_session::kUserType))
    return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
  return true;
}

bool isSpecialIdentifier(std::string_view id) {
  return id == qv_session::kSecurityDisabledSession || id == qv_session::kCommandLineSession ||
         id == qv_session::kGuestSession;
}

}  // namespace

qv_session::qv_session(std::string_view sessionID, const qv_session_context& context)
    : qv_session(sessionID, context, qv_session_request::fromEnvironment()) {}

qv_session::qv_session(std::string_view sessionID, const qv_session_context& context,
                       const qv_session_request& request)
    : context_(context) {
  open(sessionID, request);
}

void qv_session::open(std::string_view sessionID, const Request& request) {
  (void)options_.load(context_.optionsPath, context_.schemaPath);
  // Refusals are level-1 messages and must always be recorded, so the log
  // level never drops below 1 (a lower one would make every session valid).
  errors_.setLogging(options_.getLogFileName(), std::max(options_.getLogLevel(), 1));
  errors_.setError(TRACE_SESSION_OPEN, std::string(sessionID));
  errors_.addErrorsFrom(options_);

  // With security off every request gets the security-disabled session,
  // whatever identifier it names: no session file is read or written.
  if (!options_.isSecurityEnabled()) {
    makeSecurityDisabledSession();
    return;
  }
  std::string identifier(sessionID);
  if (identifier.empty()) identifier = identifierFromCookie(request);
  // A name that could reach outside the sessions directory, and the
  // security-disabled session (never read from a file), are discarded like
  // a name without a file.
  if (identifier == kSecurityDisabledSession || !sessionFileExists(identifier)) identifier.clear();
  if (identifier.empty()) {
    if (request.remoteAddr) {
      identifier = findWebSession(request);
    } else {
      if (!openCommandLineSession()) return;
      identifier = kCommandLineSession;
    }
    if (identifier.empty()) {
      errors_.setError(ERR_SESSION_NOT_LOGGED_IN);
      return;
    }
  }
  sessionID_ = identifier;
  if (parameters_.empty() && !load(identifier)) return;
  if (!checkClient(request)) return;

  if (!isSpecialIdentifier(sessionID_)) {
    const int32_t type = getUserType();
    const int64_t timeout = getTimeout();
    if (type < 3 || type > 6) {
      const int64_t last = getLastAccessed();
      const int64_t now = qv_platform::currentTime();
      if (timeout >= 1 && last < now - timeout) {
        refuse(ERR_SESSION_TIMED_OUT);
        return;
      }
    }
  }
  if (!isValid()) return;
  parameters_[kLastAccessed] = std::to_string(qv_platform::currentTime());
  (void)save();
}

bool qv_session::checkClient(const Request& request) {
  if (isVerifyIPAddress() && request.remoteAddr && *request.remoteAddr != getIPAddress()) {
    refuse(ERR_SESSION_WRONG_ADDRESS);
    return false;
  }
  const int32_t type = getUserType();
  if (type == 2 && !verifyCorvanaConnection()) refuse(ERR_SESSION_TIMED_OUT);
  if (type == 3 || type == 4) {
    if (findComputerSession(request) != sessionID_) {
      refuse(ERR_SESSION_WRONG_COMPUTER, sessionID_, request.remoteAddr.value_or(""));
      return false;
    }
  } else if (type == 5) {
    if (!request.userAgent || findAgentSession(request).empty()) {
      refuse(ERR_SESSION_WRONG_AGENT, sessionID_, request.userAgent.value_or(""));
      return false;
    }
  } else if (type == 6) {
    if (webServerSessionName(request) != sessionID_) {
      refuse(ERR_SESSION_WRONG_WEB_LOGIN, sessionID_, request.remoteUser.value_or(""));
      return false;
    }
  }
  if (sessionID_ == kCommandLineSession && request.remoteAddr) {
    refuse(ERR_SESSION_CMDLINE_FROM_WEB, sessionID_, *request.remoteAddr);
    return false;
  }
  return true;
}

void qv_session::makeSecurityDisabledSession() {
  sessionID_ = kSecurityDisabledSession;
  keptInFile_ = false;
  maySave_ = false;
  parameters_ = {
      {kUserID, "0"},
      {kUserName, "security_disabled"},
      {kFullUserName, "security_disabled"},
      {kEmailAddress, "security_disabled@localhost"},
      {kSecurityEnabled, "false"},
      {kLastAccessed, "0"},
      {kTimeout, "0"},
      {kUserType, "0"},
      {kIPAddress, "UNKNOWN"},
      {kVerifyIPAddress, "false"},
  };
}

bool qv_session::openCommandLineSession() {
  sessionID_ = kCommandLineSession;
  if (sessionFileExists(kCommandLineSession)) return load(kCommandLineSession);
  parameters_ = {
      {kUserID, "3"},
      {kUserName, "Commandline"},
      {kFullUserName, "Commandline application"},
      {kEmailAddress, "no_email_address"},
      {kSecurityEnabled, options_.isSecurityEnabled() ? "true" : "false"},
      {kLastAccessed, "0"},
      {kTimeout, "0"},
      {kUserType, "1"},
      {kIPAddress, "UNKNOWN"},
      {kVerifyIPAddress, "false"},
  };
  return save();
}

bool qv_session::load(const std::string& identifier) {
  errors_.setError(TRACE_SESSION_LOADING, identifier);
  std::optional<qv_xml::Element> root = qv_xml::parseFile(filePath(identifier), errors_, context_.schemaPath);
  const qv_xml::Element* data = root ? qv_xml::firstChild(*root, "session_data") : nullptr;
  if (data == nullptr) {
    errors_.setError(ERR_SESSION_FILE_NOT_FOUND);
    return false;
  }
  parameters_.clear();
  for (const FixedParameter& f : kFixed) {
    if (const qv_xml::Element* e = qv_xml::firstChild(*data, f.element)) parameters_[f.name] = e->text;
  }
  if (const qv_xml::Element* custom = qv_xml::firstChild(*data, "custom_parameters")) {
    for (const qv_xml::Element& param : custom->children) {
      const qv_xml::Element* name = qv_xml::firstChild(param, "paramName");
      const qv_xml::Element* value = qv_xml::firstChild(param, "paramValue");
      // A custom parameter never stands in for a fixed one.
      if (name == nullptr || value == nullptr || fixedParameter(name->text) != nullptr) continue;
      parameters_[name->text] = value->text;
    }
  }
  tasks_.clear();
  if (const qv_xml::Element* tasks = qv_xml::firstChild(*data, "permitted_tasks")) (void)tasks_.readFromElement(*tasks);
  return true;
}

bool qv_session::save() {
  if (!keptInFile_) return true;
  qv_xml::Element root = qv_xml::createDocument(qv_xml::kSecurityPrefix, "security_session",
                                                qv_xml::kSecurityNamespace, qv_xml::securitySchemaLocation(), "1", "0");
  qv_xml::Element& data = qv_xml::appendChild(root, "session_data");
  for (const FixedParameter& f : kFixed) {
    auto it = parameters_.find(f.name);
    qv_xml::appendChild(data, f.element, it != parameters_.end() ? it->second : f.absent);
  }
  qv_xml::Element& custom = qv_xml::appendChild(data, "custom_parameters");
  for (const auto& [name, value] : parameters_) {
    if (fixedParameter(name) != nullptr) continue;
    qv_xml::Element& param = qv_xml::appendChild(custom, "param");
    qv_xml::appendChild(param, "paramName", name);
    qv_xml::appendChild(param, "paramValue", value);
  }
  tasks_.writeToElement(data);
  // Only the command-line session is made here; any other session file is
  // replaced only while it is there, so a session removed at log-out (even
  // while this request had it open) is never written back. Such a session
  // is refused like one whose file cannot be found.
  const qv_platform::ReplaceMode mode = sessionID_ == kCommandLineSession
                                            ? qv_platform::ReplaceMode::CreateOrReplace
                                            : qv_platform::ReplaceMode::ReplaceExisting;
  std::string why;
  switch (qv_xml::writeFile(root, filePath(sessionID_), mode, why)) {
    case qv_platform::ReplaceResult::Replaced:
      return true;
    case qv_platform::ReplaceResult::TargetGone:
      refuse(ERR_SESSION_FILE_NOT_FOUND);
      return false;
    case qv_platform::ReplaceResult::Failed:
      break;
  }
  refuse(ERR_SESSION_SAVE, sessionID_ + " (" + why + ")");
  return false;
}

// Parameters.

bool qv_session::getParameter(std::string_view name, std::string& value) const {
  auto it = parameters_.find(name);
  if (it == parameters_.end()) return false;
  value = it->second;
  return true;
}

bool qv_session::getIntParameter(std::string_view name, int64_t& value) const {
  std::string text;
  if (!getParameter(name, text)) return false;
  const std::optional<int64_t> v = readInteger(text);
  if (!v) return false;
  value = *v;
  return true;
}

bool qv_session::getTimeParameter(std::string_view name, int64_t& value) const {
  return getIntParameter(name, value);
}

bool qv_session::getFlagParameter(std::string_view name, bool& value) const {
  std::string text;
  if (!getParameter(name, text)) return false;
  qv_xml::Element e;
  e.text = text;
  value = qv_xml::textAsFlag(e);
  return true;
}

int32_t qv_session::getUserID() const {
  int64_t v = -1;
  return getIntParameter(kUserID, v) ? static_cast<int32_t>(v) : -1;
}
std::string qv_session::getUserName() const {
  std::string v;
  return getParameter(kUserName, v) ? v : std::string();
}
int32_t qv_session::getUserType() const {
  int64_t v = 1;
  return getIntParameter(kUserType, v) ? static_cast<int32_t>(v) : 1;
}
bool qv_session::isSecurityEnabled() const {
  bool v = true;
  return getFlagParameter(kSecurityEnabled, v) ? v : true;
}
int64_t qv_session::getLastAccessed() const {
  int64_t v = 0;
  return getTimeParameter(kLastAccessed, v) ? v : 0;
}
int64_t qv_session::getTimeout() const {
  int64_t v = 0;
  return getIntParameter(kTimeout, v) ? v : 0;
}
std::string qv_session::getIPAddress() const {
  std::string v;
  return getParameter(kIPAddress, v) ? v : std::string();
}
bool qv_session::isVerifyIPAddress() const {
  bool v = false;
  return getFlagParameter(kVerifyIPAddress, v) ? v : false;
}

bool qv_session::storeParameter(std::string_view name, std::string value) {
  if (!isValid()) {
    errors_.setError(ERR_SESSION_SAVE_INVALID);
    return false;
  }
  if (!maySave_) {
    errors_.setError(ERR_SESSION_SAVE_NOT_ALLOWED);
    return false;
  }
  if (const FixedParameter* f = fixedParameter(name); f != nullptr && !fixedValueAcceptable(*f, value)) {
    refuse(ERR_SESSION_SAVE, sessionID_ + " (" + std::string(name) + " cannot hold \"" + value + "\")");
    return false;
  }
  parameters_[std::string(name)] = std::move(value);
  return save();
}

bool qv_session::setParameter(std::string_view name, std::string_view value) {
  return storeParameter(name, std::string(value));
}
bool qv_session::setIntParameter(std::string_view name, int64_t value) {
  return storeParameter(name, std::to_string(value));
}
bool qv_session::setFlagParameter(std::string_view name, bool value) {
  return storeParameter(name, value ? "true" : "false");
}
bool qv_session::setTimeParameter(std::string_view name, int64_t value) {
  return storeParameter(name, std::to_string(value));
}

// What the user may do.

// The security options decide whether security is off: a session file's
// own securityEnabled flag never turns it off for that session. A session
// that is not valid never counts as one with security off.
bool qv_session::isSecurityOff() const { return !options_.isSecurityEnabled() && isValid(); }

bool qv_session::isPermitted(int32_t taskID) const {
  return isSecurityOff() || getUserID() == 3 || tasks_.isPermitted(taskID);
}

bool qv_session::isPermitted(int32_t taskID, int32_t value) const {
  return isSecurityOff() || getUserID() == 3 || tasks_.isPermitted(taskID, value);
}

bool qv_session::canResultsFileBeViewed(int32_t owner) {
  bool result = false;
  if (!isValid()) {
    result = false;
  } else if (owner == 0 && (isSecurityOff() || getUserID() == 3 || isPermitted(15))) {
    result = true;
  } else if (owner == 5 || owner == getUserID()) {
    result = true;
  } else {
    result = isPermitted(14) || isPermitted(13, owner);
  }
  errors_.setError(TRACE_RESULTS_VIEWABLE, owner, result ? 1 : 0);
  return result;
}
