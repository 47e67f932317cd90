// Configuration sources: request building, and the remote path against a
// small HTTP server on 127.0.0.1 that the test starts (it exits by itself).
#include "config/config_source.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/qv_datfile.h"
#include "platform/clock.h"
#include "platform/process.h"
#include "testsupport/server_tree.h"

namespace {

// One run of config/testdata/http_test_server.py in its own directory.
class TestServer {
 public:
  TestServer(const std::string& mode, const std::string& body = {}) {
    work_ = tree_.path("http");
    tree_.write("http/body", body);
    if (mode == "tls") makeCertificate();
    const std::string script = qvtest::sourceDir() + "/config/testdata/http_test_server.py";
    EXPECT_TRUE(qv_platform::startDetached({"python3", script, mode, work_, work_ + "/body"}));
    for (int i = 0; i < 1000 && !tree_.exists("http/port"); ++i) qv_platform::sleepMilliseconds(10);
    port_ = tree_.read("http/port");
    EXPECT_FALSE(port_.empty()) << "test server did not start";
  }
  std::string url(const std::string& path = "/") const { return "http://127.0.0.1:" + port_ + path; }
  const std::string& port() const { return port_; }
  /// Request lines and headers received so far.
  std::string requests() const { return tree_.read("http/requests"); }

 private:
  // A self-signed certificate for a name that is not the server's.
  void makeCertificate() {
    qv_platform::ProcessRequest req;
    req.argv = {"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=wrong.example",
                "-keyout", work_ + "/key.pem", "-out", work_ + "/cert.pem"};
    const auto r = qv_platform::runProcess(req);
    ASSERT_TRUE(r && r->exitStatus == 0) << (r ? r->standardError : "openssl did not start");
  }

  qvtest::ServerTree tree_;
  std::string work_;
  std::string port_;
};

qv_connection_settings direct() {
  qv_connection_settings s;
  s.proxyMode = 0;  // whatever proxy the environment names
  s.timeoutSeconds = 5;
  return s;
}

TEST(ConfigSource, ClassifiesNames) {
  EXPECT_EQ(qv_classifyConfigName("HTTP://server/"), qv_config_name_kind::RemoteText);
  EXPECT_EQ(qv_classifyConfigName("http://server/x.XML"), qv_config_name_kind::RemoteXml);
  EXPECT_EQ(qv_classifyConfigName("../config/a.xml"), qv_config_name_kind::LocalXml);
  EXPECT_EQ(qv_classifyConfigName("xml"), qv_config_name_kind::LocalText);
  EXPECT_EQ(qv_classifyConfigName("https://server/"), qv_config_name_kind::LocalText);
}

TEST(ConfigSource, BuildsRequests) {
  qv_errors e;
  qv_connection_settings s;
  qv_config_source plain(e, s);
  EXPECT_EQ(plain.buildRequest("http://srv/tarnel", QV_FILE_TARNEL_DAT, false),
            "http://srv/tarnel/get_params.pl?Show=QV_TARNEL_DAT");
  EXPECT_EQ(plain.buildRequest("http://srv/", QV_FILE_TARNEL_DAT, false), "http://srv/get_params.pl?Show=QV_TARNEL_DAT");
  EXPECT_EQ(plain.buildRequest("http://srv/", QV_FILE_MOD_FILE, false), "http://srv/get_params.pl?Show=QV_MOD_FILE");
  EXPECT_EQ(plain.buildRequest("http://srv/", QV_FILE_MOD_FILE, true), "http://srv/get_params.pl?Show=QV_SUBSTITUTIONS");
  EXPECT_EQ(plain.buildRequest("http://srv/", QV_FILE_TAXONOMY, false), "http://srv/get_params.pl?Show=QV_TAXONOMY");
  EXPECT_EQ(plain.buildRequest("http://srv/x", QV_FILE_AS_GIVEN_CHECKED, false), "http://srv/x");
  s.sessionID = "9876";
  qv_config_source withSession(e, s);
  EXPECT_EQ(withSession.buildRequest("http://srv", QV_FILE_ENZYMES, false),
            "http://srv/get_params.pl?Show=QV_ENZYMES&sessionID=9876");
  EXPECT_EQ(e.getNumberOfErrors(), 0);
  EXPECT_FALSE(plain.buildRequest("http://", QV_FILE_TARNEL_DAT, false));
  EXPECT_EQ(e.getErrorString(1), "Invalid URL: http://");
  EXPECT_FALSE(plain.open("http://srv/", 8));
  EXPECT_EQ(e.getNumberOfErrors(), 1);
}

TEST(ConfigSource, LocalFileThatCannotBeOpened) {
  qv_errors e;
  qv_config_source src(e, qv_connection_settings());
  EXPECT_FALSE(src.open("/nonexistent/tarnel.dat", QV_FILE_TARNEL_DAT));
  EXPECT_EQ(e.getErrorString(1), "Failed to open file /nonexistent/tarnel.dat for r");
}

TEST(ConfigSource, ProxyUserWithoutPasswordMakesNoTransfer) {
  TestServer server("file", "Options\nend\n");
  qv_errors e;
  qv_connection_settings s = direct();
  s.proxyUserName = "user";
  qv_config_source src(e, s);
  EXPECT_FALSE(src.open(server.url(), QV_FILE_TARNEL_DAT));
  ASSERT_EQ(e.getNumberOfErrors(), 1);
  EXPECT_EQ(e.getErrorString(1), "Http-transmission failed with error: proxy user password should not be empty");
  EXPECT_EQ(server.requests(), "");
}

TEST(ConfigSource, ReadsTheConfigurationFromTheServer) {
  TestServer server("file", "# remote\nOptions\nMaxQueries 55\nend\n");
  qv_datfile d;
  qv_connection_settings s = direct();
  s.sessionID = "abc123";
  d.setConnectionSettings(s);
  d.setFileName(server.url("/tarnel"));
  d.readFile();
  EXPECT_TRUE(d.isValid()) << d.getErrorString(1);
  EXPECT_EQ(d.getOptions().getMaxQueries(), 55);
  ASSERT_EQ(d.getCommentBlocks().size(), 1u);
  const std::string req = server.requests();
  EXPECT_EQ(req.substr(0, req.find("\r\n")), "GET /tarnel/get_params.pl?Show=QV_TARNEL_DAT&sessionID=abc123 HTTP/1.1");
  EXPECT_NE(req.find("\r\nUser-Agent: qvparser wininet 1.0\r\n"), std::string::npos);
  EXPECT_NE(req.find("\r\nPragma: no-cache\r\n"), std::string::npos);
  EXPECT_NE(req.find("\r\nCache-Control: no-cache\r\n"), std::string::npos);
}

TEST(ConfigSource, AsksForHttp10WhenSetToZero) {
  TestServer server("file", "x");
  qv_errors e;
  qv_connection_settings s = direct();
  s.httpVersion = 0;
  qv_config_source src(e, s);
  EXPECT_EQ(src.open(server.url("/a/b.txt"), QV_FILE_AS_GIVEN), "x");
  const std::string req = server.requests();
  EXPECT_EQ(req.substr(0, req.find("\r\n")), "GET /a/b.txt HTTP/1.0");
}

TEST(ConfigSource, EmptyAnswerIsASuccess) {
  TestServer server("file", "");
  qv_errors e;
  qv_config_source src(e, direct());
  EXPECT_EQ(src.open(server.url(), QV_FILE_TARNEL_DAT), "");
  EXPECT_EQ(e.getNumberOfErrors(), 0);
}

TEST(ConfigSource, StatusPageOfAStoppedService) {
  TestServer server("file", "<BODY><H1>Tarnel search status page</H1>\n<P>stopped</P>\n");
  qv_datfile d;
  d.setConnectionSettings(direct());
  d.setFileName(server.url());
  d.readFile();
  EXPECT_FALSE(d.isValid());
  EXPECT_EQ(d.getErrorString(1), "The Tarnel service is not running. Unable to retrieve configuration file.");
}

TEST(ConfigSource, RefusedConnection) {
  TestServer closed("refuse");
  qv_datfile d;
  d.setConnectionSettings(direct());
  d.setFileName(closed.url());
  d.readFile();
  EXPECT_FALSE(d.isValid());
  ASSERT_EQ(d.getNumberOfErrors(), 1);
  EXPECT_EQ(d.getErrorNumber(1), 0x904);
  const std::string text = d.getErrorString(1);
  EXPECT_EQ(text.rfind("Wininet failure: ", 0), 0u) << text;
  EXPECT_NE(text.find("onnect"), std::string::npos) << text;
  EXPECT_NE(text.find(", with URL:" + closed.url() + "get_params.pl?Show=QV_TARNEL_DAT, calling:curl_easy_perform"),
            std::string::npos)
      << text;
}

TEST(ConfigSource, ServerThatNeverAnswersTimesOut) {
  TestServer server("hang");
  qv_errors e;
  qv_connection_settings s = direct();
  s.timeoutSeconds = 1;
  qv_config_source src(e, s);
  EXPECT_FALSE(src.open(server.url(), QV_FILE_TARNEL_DAT));
  ASSERT_EQ(e.getNumberOfErrors(), 1);
  EXPECT_NE(e.getErrorString(1).find("calling:curl_easy_perform"), std::string::npos);
}

TEST(ConfigSource, BrokenTransfersAreRetriedABoundedNumberOfTimes) {
  TestServer server("partial");
  qv_errors e;
  qv_config_source src(e, direct());
  EXPECT_FALSE(src.open(server.url(), QV_FILE_TARNEL_DAT));
  // Three failed attempts: the third report folds into the second entry.
  ASSERT_EQ(e.getNumberOfErrors(), 2);
  EXPECT_EQ(e.getErrorNumber(2), 0x904);
  EXPECT_EQ(e.getErrorRepeats(2), 1);
  const std::string req = server.requests();
  size_t n = 0;
  for (size_t p = 0; (p = req.find("GET ", p)) != std::string::npos; ++p) ++n;
  EXPECT_EQ(n, 3u);
}

TEST(ConfigSource, ErrorStatusIsAFailure) {
  TestServer server("notfound");
  qv_errors e;
  qv_config_source src(e, direct());
  EXPECT_FALSE(src.open(server.url(), QV_FILE_TARNEL_DAT));
  ASSERT_EQ(e.getNumberOfErrors(), 1);
  EXPECT_NE(e.getErrorString(1).find("404"), std::string::npos) << e.getErrorString(1);
}

TEST(ConfigSource, NamedProxyCarriesTheRequestAndItsCredentials) {
  TestServer proxy("file", "Options\nend\n");
  qv_errors e;
  qv_connection_settings s;
  s.proxyMode = 2;
  s.proxyServer = "127.0.0.1:" + proxy.port();
  s.proxyUserName = "user";
  s.proxyPassword = "secret";
  s.timeoutSeconds = 5;
  qv_config_source src(e, s);
  EXPECT_EQ(src.open("http://config.example.invalid/tarnel/", QV_FILE_TARNEL_DAT), "Options\nend\n");
  const std::string req = proxy.requests();
  EXPECT_EQ(req.substr(0, req.find("\r\n")),
            "GET http://config.example.invalid/tarnel/get_params.pl?Show=QV_TARNEL_DAT HTTP/1.1");
  EXPECT_NE(req.find("\r\nProxy-Authorization: Basic dXNlcjpzZWNyZXQ=\r\n"), std::string::npos) << req;
}

TEST(ConfigSource, LocalNamesBypassTheNamedProxy) {
  TestServer server("file", "direct");
  TestServer closed("refuse");
  qv_errors e;
  qv_connection_settings s;
  s.proxyMode = 2;
  s.proxyServer = "127.0.0.1:" + closed.port();
  s.timeoutSeconds = 5;
  qv_config_source src(e, s);
  EXPECT_EQ(src.open("http://localhost:" + server.port() + "/", QV_FILE_AS_GIVEN), "direct");
  EXPECT_EQ(e.getNumberOfErrors(), 0) << e.getErrorString(1);
}

TEST(ConfigSource, HttpsStillChecksTheCertificateChain) {
  // Host name and validity dates are not checked for https; who signed the
  // certificate still is, so a self-signed one is refused.
  TestServer server("tls", "secret settings");
  qv_errors e;
  qv_config_source src(e, direct());
  std::string body;
  EXPECT_FALSE(src.fetch("https://127.0.0.1:" + server.port() + "/x", body));
  EXPECT_EQ(body, "");
  ASSERT_EQ(e.getNumberOfErrors(), 1);
  EXPECT_NE(e.getErrorString(1).find("certificate"), std::string::npos) << e.getErrorString(1);
}

}  // namespace
