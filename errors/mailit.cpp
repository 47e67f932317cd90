#include "platform/mailit.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

#include "platform/process.h"
#include "platform/qv_fileutil.h"
#include "registry/engine_error.h"

namespace {

// Makes a fresh mail file from the template: the template's directory and
// name with "XXXXXX" at the end (added when missing). The name cannot be
// guessed in advance and the file is created exclusively, so nobody can
// plant a file or link under it. Returns the open file and its name.
qv_file makeTemporaryMailFile(const std::string& templ, std::string& name) {
  name = templ;
  if (name.size() < 6 || name.compare(name.size() - 6, 6, "XXXXXX") != 0) name += "XXXXXX";
  std::vector<char> buf(name.begin(), name.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd >= 0) name.assign(buf.data());
  return fd >= 0 ? qv_file(fd) : qv_file();
}

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
    file = makeTemporaryMailFile(settings_.mailTempFile, fileName);
  } else {
    fileName = settings_.interFileBasePath + "/" + std::string(mailName) + ".mail";
    file = openFile(fileName, "w", false);
  }
  bool written = file.isOpen() && file.write(mailFileText(toName, toAddress, subject, body));
  if (!file.close()) written = false;
  if (!written) {
    if (!fileName.empty()) ::unlink(fileName.c_str());
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
  ::unlink(fileName.c_str());
  if (!result) {
    reportSystemError(ERR_RUNNING_SYS_COMMAND, __LINE__, __FILE__, command);
    return false;
  }
  // The command's exit status is not examined: it was handed the message.
  return true;
}
