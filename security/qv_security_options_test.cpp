// Security options: defaults without a file, every setting read from a
// valid file, and a file that does not validate leaving the defaults.
#include "security/qv_security_options.h"

#include <gtest/gtest.h>

#include "security/security_messages.h"
#include "testsupport/server_tree.h"

namespace {

class SecurityOptions : public ::testing::Test {
 protected:
  std::string schema() const { return tree_.path("config/tarnel_security_1_0.xsd"); }
  std::string optionsPath() const { return tree_.path("config/security_options.xml"); }
  qvtest::ServerTree tree_;
};

void expectDefaults(const qv_security_options& o) {
  EXPECT_FALSE(o.isSecurityEnabled());
  EXPECT_EQ(o.getSessionTimeout(), 21600);
  EXPECT_EQ(o.getDefaultPasswordExpiryTime(), 365);
  EXPECT_EQ(o.getMinimumPasswordLength(), 5);
  EXPECT_FALSE(o.isUseSessionCookies());
  EXPECT_FALSE(o.isVerifySessionIPAddress());
  EXPECT_EQ(o.getCorvanaAppServerURL(), "http://localhost:8080/topaz");
  EXPECT_EQ(o.getCorvanaDatabaseName(), "corvana");
  EXPECT_EQ(o.getCorvanaOracleServerName(), "corvana");
  EXPECT_EQ(o.getLogLevel(), 3);
  EXPECT_EQ(o.getLogFileName(), "../logs/security.log");
}

TEST_F(SecurityOptions, WithoutAFileTheDefaultsStand) {
  qv_security_options o;
  EXPECT_TRUE(o.load(optionsPath(), schema()));
  EXPECT_TRUE(o.isValid());
  EXPECT_EQ(o.getNumberOfErrors(), 0);
  expectDefaults(o);
}

TEST_F(SecurityOptions, SavedOptionsLoadBack) {
  qv_security_options o;
  o.setSecurityEnabled(true);
  o.setSessionTimeout(5000000000);
  o.setDefaultPasswordExpiryTime(30);
  o.setMinimumPasswordLength(9);
  o.setUseSessionCookies(true);
  o.setVerifySessionIPAddress(true);
  o.setCorvanaAppServerURL("http://127.0.0.1:1/topaz");
  o.setCorvanaDatabaseName("db");
  o.setCorvanaOracleServerName("ora");
  o.setLogLevel(6);
  o.setLogFileName("../logs/sec.log");
  std::string error;
  ASSERT_TRUE(o.save(optionsPath(), error)) << error;
  qv_security_options back;
  ASSERT_TRUE(back.load(optionsPath(), schema())) << back.getLastErrorString();
  EXPECT_TRUE(back.isSecurityEnabled());
  EXPECT_EQ(back.getSessionTimeout(), 5000000000);
  EXPECT_EQ(back.getDefaultPasswordExpiryTime(), 30);
  EXPECT_EQ(back.getMinimumPasswordLength(), 9);
  EXPECT_TRUE(back.isUseSessionCookies());
  EXPECT_TRUE(back.isVerifySessionIPAddress());
  EXPECT_EQ(back.getCorvanaAppServerURL(), "http://127.0.0.1:1/topaz");
  EXPECT_EQ(back.getCorvanaDatabaseName(), "db");
  EXPECT_EQ(back.getCorvanaOracleServerName(), "ora");
  EXPECT_EQ(back.getLogLevel(), 6);
  EXPECT_EQ(back.getLogFileName(), "../logs/sec.log");
}

TEST_F(SecurityOptions, FileThatDoesNotValidateLeavesTheDefaults) {
  qv_security_options o;
  o.setSecurityEnabled(true);
  o.setLogLevel(6);
  std::string error;
  ASSERT_TRUE(o.save(optionsPath(), error)) << error;
  std::string text = tree_.read("config/security_options.xml");
  text.replace(text.find("<qvs:logLevel>6<"), 16, "<qvs:logLevel>high<");
  tree_.write("config/security_options.xml", text);

  qv_security_options bad;
  EXPECT_FALSE(bad.load(optionsPath(), schema()));
  ASSERT_EQ(bad.getNumberOfErrors(), 2);
  EXPECT_EQ(bad.getErrorNumber(1), ERR_XML_LIBRARY_FAILURE);
  EXPECT_NE(bad.getErrorString(1).find(optionsPath() + ": line 14, col 38 - value 'high' does not match"), std::string::npos)
      << bad.getErrorString(1);
  EXPECT_EQ(bad.getErrorNumber(2), ERR_SECURITY_OPTIONS_LOAD);
  EXPECT_EQ(bad.getErrorString(2), "Failed to load the main security configuration files");
  EXPECT_FALSE(bad.isValid());
  expectDefaults(bad);
}

}  // namespace
