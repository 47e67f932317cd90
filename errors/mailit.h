#pragma once
// Mail to the server's administrator. One message (recipient name and
// address, subject, body) goes through the transport chosen by the settings:
// 2 and 3 write a mail file and run the mail command through the shell;
// 0 and 1 (the platform's messaging library) do not exist on this system
// and fail with their reports. Failures are reported through the engine
// reporter and never stop the caller.
#include <string>
#include <string_view>
#include <utility>

#include "errors/setting_defaults.h"

/// The mail settings (the mail options of the configuration).
struct qv_mail_settings {
  bool emailErrorsEnabled = false;                           ///< EmailErrorsEnabled
  std::string errMessageEmailTo;                             ///< ErrMessageEmailTo: the administrator's address
  int mailTransport = QV_DEFAULT_MAIL_TRANSPORT;             ///< MailTransport: 0 to 3
  std::string emailService;                                  ///< EmailService
  std::string emailPassword;                                 ///< EmailPassword
  std::string emailProfile;                                  ///< EmailProfile
  std::string sendmailPath = QV_DEFAULT_SENDMAIL_PATH;       ///< sendmailPath
  std::string emailFromUser;                                 ///< EmailFromUser
  std::string emailFromTextName;                             ///< EmailFromTextName
  std::string mailTempFile = QV_DEFAULT_MAIL_TEMP_FILE;            ///< MailTempFile: template of mail file names
  std::string interFileBasePath = QV_DEFAULT_INTER_FILE_BASE_PATH;  ///< InterFileBasePath

  bool operator==(const qv_mail_settings&) const = default;
};

/// Recipient name of error mails.
inline constexpr std::string_view QV_MAIL_ADMIN_NAME = "Tarnel administrator";
/// Subject of error mails.
inline constexpr std::string_view QV_MAIL_ERROR_SUBJECT = "Serious problem on web site - urgent";

class mailit {
 public:
  explicit mailit(qv_mail_settings settings) : settings_(std::move(settings)) {}

  /// Mails `body` to the administrator (ErrMessageEmailTo) with the error
  /// mail's name and subject. Does nothing and returns false unless error
  /// mails are enabled, the address is set and the transport is 0 to 3.
  /// True when a transport accepted the message.
  bool sendAdministratorMail(std::string_view body);

  /// Sends one message through the configured transport. `mailName`, when
  /// not empty, names the mail file "<InterFileBasePath>/<mailName>.mail"
  /// instead of a fresh temporary file. True when the transport accepted it.
  bool send(std::string_view toName, std::string_view toAddress, std::string_view subject, std::string_view body,
            std::string_view mailName = {});

  /// The mail file's text: To, Subject and From lines, the body, ".".
  std::string mailFileText(std::string_view toName, std::string_view toAddress, std::string_view subject,
                           std::string_view body) const;

 private:
  bool sendThroughCommand(int transport, std::string_view toName, std::string_view toAddress, std::string_view subject,
                          std::string_view body, std::string_view mailName);

  qv_mail_settings settings_;
};
