// Administrator mail through the mail command, with a stand-in command that
// records its arguments, its standard input and the mail file.
#include "errors/mailit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "errors/engine_settings.h"
#include "testsupport/server_tree.h"

namespace {

class MailTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qv_engine_settings s;
    s.errorLogFile = tree.path("logs/errorlog.txt");
    setEngineSettings(s);
    tree.write("out/.keep", "");
    tree.write("tmp/.keep", "");
    settings.emailErrorsEnabled = true;
    settings.errMessageEmailTo = "admin@example.org";
    settings.sendmailPath = qvtest::sourceDir() + "/errors/testdata/sendmail-standin.sh " + tree.path("out");
    settings.mailTempFile = tree.path("tmp/MXXXXXX");
    settings.emailFromUser = "tarnel@example.org";
    settings.emailFromTextName = "Tarnel server";
    settings.interFileBasePath = tree.path("data");
  }
  void TearDown() override { setEngineSettings(qv_engine_settings()); }

  std::string errorLog() const { return tree.read("logs/errorlog.txt"); }
  size_t filesIn(const std::string& relative) const {
    size_t n = 0;
    for (const auto& e : std::filesystem::directory_iterator(tree.path(relative))) {
      if (e.path().filename() != ".keep") ++n;
    }
    return n;
  }

  const std::string expectedText =
      "To: Tarnel administrator <admin@example.org>\n"
      "Subject: Serious problem on web site - urgent\n"
      "From: tarnel@example.org (Tarnel server)\n"
      "Disk full\n\n"
      ".\n";
  qvtest::ServerTree tree;
  qv_mail_settings settings;
};

TEST_F(MailTest, Transport2FeedsTheMailFileToTheCommand) {
  settings.mailTransport = 2;
  EXPECT_TRUE(mailit(settings).sendAdministratorMail("Disk full\n"));
  EXPECT_EQ(tree.read("out/args"), "admin@example.org\n");
  EXPECT_EQ(tree.read("out/stdin"), expectedText);
  EXPECT_EQ(filesIn("tmp"), 0u);  // the mail file is gone
  EXPECT_EQ(errorLog(), "");
}

TEST_F(MailTest, Transport3NamesTheMailFileAndTheHeaders) {
  settings.mailTransport = 3;
  EXPECT_TRUE(mailit(settings).sendAdministratorMail("Disk full\n"));
  std::string args = tree.read("out/args");
  const std::string dir = tree.path("tmp/M");
  ASSERT_EQ(args.compare(0, dir.size(), dir), 0) << args;
  const std::string name = args.substr(0, args.find('\n'));
  EXPECT_EQ(name.size(), dir.size() + 6);  // the six X of the template were replaced
  EXPECT_NE(name, tree.path("tmp/MXXXXXX"));
  EXPECT_EQ(args.substr(name.size()),
            "\n-to\nadmin@example.org\n-subject\nSerious problem on web site - urgent\n-from\n"
            "tarnel@example.org\n");
  EXPECT_EQ(tree.read("out/file"), expectedText);
  EXPECT_EQ(tree.read("out/stdin"), "");
  EXPECT_EQ(filesIn("tmp"), 0u);
}

TEST_F(MailTest, NamedMailGoesToTheDataFolderAndShellTextStaysText) {
  settings.mailTransport = 2;
  settings.errMessageEmailTo = "admin@example.org;touch${IFS}" + tree.path("out/owned");
  EXPECT_TRUE(mailit(settings).send("Someone", settings.errMessageEmailTo, "Hi $(id)", "body", "job42"));
  EXPECT_EQ(tree.read("out/args"), settings.errMessageEmailTo + "\n");
  EXPECT_FALSE(tree.exists("out/owned"));
  EXPECT_NE(tree.read("out/stdin").find("Subject: Hi $(id)\n"), std::string::npos);
  EXPECT_FALSE(tree.exists("data/job42.mail"));  // deleted after the command ran
}

TEST_F(MailTest, NothingIsSentUnlessEnabledAddressedAndAKnownTransport) {
  qv_mail_settings off = settings;
  off.emailErrorsEnabled = false;
  EXPECT_FALSE(mailit(off).sendAdministratorMail("x"));
  qv_mail_settings noAddress = settings;
  noAddress.errMessageEmailTo = "";
  EXPECT_FALSE(mailit(noAddress).sendAdministratorMail("x"));
  qv_mail_settings unknown = settings;
  unknown.mailTransport = 4;
  EXPECT_FALSE(mailit(unknown).sendAdministratorMail("x"));
  EXPECT_FALSE(tree.exists("out/args"));
  EXPECT_EQ(errorLog(), "");
}

TEST_F(MailTest, MessagingLibraryTransportsReportTheirFailure) {
  settings.mailTransport = 0;
  EXPECT_FALSE(mailit(settings).sendAdministratorMail("x"));
  EXPECT_NE(errorLog().find("   - Failed to open the MAPI DLL for CMC\n"), std::string::npos);
  settings.mailTransport = 1;
  EXPECT_FALSE(mailit(settings).sendAdministratorMail("x"));
  EXPECT_NE(errorLog().find("   - Failed to open the MAPI DLL\n"), std::string::npos);
  EXPECT_FALSE(tree.exists("out/args"));
}

TEST_F(MailTest, AMailFileThatCannotBeMadeIsReported) {
  settings.mailTransport = 2;
  settings.mailTempFile = tree.path("no/such/dir/MXXXXXX");
  EXPECT_FALSE(mailit(settings).sendAdministratorMail("x"));
  EXPECT_NE(errorLog().find("   - Failed to write temporary file (" + tree.path("no/such/dir/MXXXXXX") +
                            ") for mail message\n"),
            std::string::npos)
      << errorLog();
  EXPECT_FALSE(tree.exists("out/args"));
}

}  // namespace
