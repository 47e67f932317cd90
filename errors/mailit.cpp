#include "errors/mailit.h"

#include "errors/engine_error.h"
#include "errors/file_utilities.h"
#include "platform/mapping.h"
#include "platform/process.h"

namespace {

// The text quoted for /bin/sh: single quotes, with embedded single quotes
// written as '\''. Keeps addresses and paths from being read as shell syntax.
std::string shellQuote(std::string_view text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'') {
      out += "'\\''";
    } else {
      out += c;
    }
  }
  return out + "'";
}

}  // namespace

std::string mailit::mailFileText(std::string_view toName, std::string_view toAddress, std::string_view subject,
                                 std::string_view body) const {
  std::string text;
  text.append("To: ").append(toName).append(" <").append(toAddress).append(">\n");
  text.append("Subject: ").append(subject).append("\n");
  text.append("From: ").append(settings_.emailFromUser).append(" (").append(settings_.emailFromTextName).append(")\n");
  text.append(body).append("\n");
  text.append(".\n");
  return text;
}

bool mailit::sendAdministratorMail(std::string_view body) {
  if (!settings_.emailErrorsEnabled || settings_.errMessageEmailTo.empty()) return false;
  return send(QV_MAIL_ADMIN_NAME, settings_.errMessageEmailTo, QV_MAIL_ERROR_SUBJECT, body);
}

bool mailit::send(std::string_view toName, std::string_view toAddress, std::string_view subject, std::string_view body,
                  std::string_view mailName) {
  switch (settings_.mailTransport) {
    case 0:
      // The messaging library's common calls do not exist on this system.
      reportError(ERR_CMC_FAIL, -1, __LINE__, __FILE__);
      return false;
    case 1:
      // Nor do its simple calls.
      reportError(ERR_MAPI_FAIL, -1, __LINE__, __FILE__);
      return false;
    case 2:
    case 3:
      return sendThroughCommand(settings_.mailTransport, toName, toAddress, subject, body, mailName);
    default:
      return false;
  }
}

bool mailit::sendThroughCommand(int transport, std::string_view toName, std::string_view toAddress,
                                std::string_view subject, std::string_view body, std::string_view mailName) {
  std::string fileName;
  qv_file file;
  if (mailName.empty()) {
    // A fresh name that cannot be guessed in advance, created exclusively.
    file = qv_platform::createTemporaryFile(settings_.mailTempFile, fileName);
  } else {
    fileName = settings_.interFileBasePath + "/" + std::string(mailName) + ".mail";
    file = openFile(fileName, "w", false);
  }
  bool written = file.isOpen() && file.write(mailFileText(toName, toAddress, subject, body));
  if (!file.close()) written = false;
  if (!written) {
    if (!fileName.empty()) (void)qv_platform::removeFile(fileName);
    reportError(ERR_FAIL_EMAIL_TMP_FILE, -1, __LINE__, __FILE__, fileName);
    return false;
  }
  // The mail command is run by the shell, as the configured command line may
  // carry options of its own; every value we add is quoted.
  std::string command = settings_.sendmailPath;
  if (transport == 2) {
    command += " " + shellQuote(toAddress) + " < " + shellQuote(fileName);
  } else {
    command += " " + shellQuote(fileName) + " -to " + shellQuote(toAddress) + " -subject " + shellQuote(subject) +
               " -from " + shellQuote(settings_.emailFromUser);
  }
  qv_platform::ProcessRequest request;
  request.argv = {"/bin/sh", "-c", command};
  request.timeoutSeconds = 120;
  auto result = qv_platform::runProcess(request);
  (void)qv_platform::removeFile(fileName);
  if (!result) {
    reportSystemError(ERR_RUNNING_SYS_COMMAND, __LINE__, __FILE__, command);
    return false;
  }
  // The command's exit status is not examined: it was handed the message.
  return true;
}
