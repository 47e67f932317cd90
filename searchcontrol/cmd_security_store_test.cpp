// The security store used as a hostile user or a careless administrator
// would, through the real program: session identifiers that are not UTF-8,
// links, FIFOs and directories where a session, the options, the schema or
// the security log belong, and documents shaped to make the XML library
// spin. Each run ends in a clear answer, reads nothing of another user's and
// replaces nothing that is not a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "searchcontrol/results_test_support.h"

namespace {

namespace fs = std::filesystem;
using qvtest::ResultsTree;
using qvtest::RunResult;

const std::string kFile = "--gc0p4Jq0M2Yt08jU534c0p\nContent-Type: text/plain\n\nline one\r\nline two\n";
const std::string kRefused = "searchcontrol-error=11\n";

// Runs qv-searchcontrol under a generous bound, so that a run that would
// wait or spin for ever is killed and fails the test instead of hanging it.
// `input` names a file of the tree given as standard input; `web` makes the
// run a web request from 127.0.0.1.
RunResult askBounded(const ResultsTree& t, const std::vector<std::string>& args, const std::string& input = "",
                     bool web = false) {
  std::string script = web ? "export REMOTE_ADDR=127.0.0.1; " : "";
  script += "exec timeout -s KILL 240 \"$@\"";
  if (!input.empty()) script += " < '" + t.path(input) + "'";
  std::vector<std::string> all = {"-c", script, "sh", qvtest::programPath()};
  all.insert(all.end(), args.begin(), args.end());
  return t.runProgram("/bin/sh", all);
}

// The kind of the entry itself ("link to <target>" for a link).
std::string kind(const ResultsTree& t, const std::string& relative) {
  const fs::path p = t.path(relative);
  const fs::file_status s = fs::symlink_status(p);
  if (fs::is_symlink(s)) return "link to " + fs::read_symlink(p).string();
  if (fs::is_fifo(s)) return "fifo";
  if (fs::is_directory(s)) return "directory";
  if (fs::is_regular_file(s)) return "file";
  return fs::exists(s) ? "other" : "none";
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

class SecurityStore : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.securityOn();
    t_.write("data/F1.dat", kFile);
    ofUser42_ = t_.completed("../data/F1.dat", 42);
    ofUser77_ = t_.completed("../data/F1.dat", 77);
  }
  RunResult mime(int64_t id, const std::vector<std::string>& extra = {}, const std::string& input = "",
                 bool web = false) const {
    std::vector<std::string> args = {"--result_file_mime", "--taskID", std::to_string(id)};
    args.insert(args.end(), extra.begin(), extra.end());
    return askBounded(t_, args, input, web);
  }
  std::string log() const { return t_.read("logs/security.log"); }

  ResultsTree t_;
  int64_t ofUser42_ = 0;
  int64_t ofUser77_ = 0;
};

TEST_F(SecurityStore, NonUtf8IdentifierOpensTheFileNamedByItsOwnBytes) {
  const std::string latin = "caf\xe9";             // user 43
  const std::string replaced = "caf\xef\xbf\xbd";  // user 77: "caf" and U+FFFD
  const int64_t ofUser43 = t_.completed("../data/F1.dat", 43);
  t_.session(latin, 43);
  t_.session(replaced, 77);
  t_.setEnv("REMOTE_ADDR", "127.0.0.1");
  t_.setEnv("HTTP_COOKIE", "TARNEL_SESSION=caf%e9");

  RunResult r = mime(ofUser77_);
  EXPECT_EQ(r.out, kRefused) << "user 43 sees user 77's results";
  EXPECT_EQ(r.status, 11);
  r = mime(ofUser43);
  EXPECT_EQ(r.out, kFile) << r.err;
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(t_.read("sessions/" + latin).find("<qvs:userID>43</qvs:userID>"), std::string::npos);
  EXPECT_NE(t_.read("sessions/" + replaced).find("<qvs:userID>77</qvs:userID>"), std::string::npos);

  // Alone, the session is its own user's.
  fs::remove(t_.path("sessions/" + replaced));
  r = mime(ofUser43);
  EXPECT_EQ(r.out, kFile) << r.err;
  EXPECT_EQ(r.status, 0);
  EXPECT_FALSE(t_.exists("sessions/" + replaced));
}

TEST_F(SecurityStore, SessionThatIsNotARegularFileIsRefusedAndLeftAsItIs) {
  // Valid sessions of user 77 beside the sessions and outside them.
  t_.session("real", 77);
  t_.write("config/stolen", ResultsTree::sessionXml(77, "", 0, qv_platform::currentTime()));
  t_.write("data/body", ResultsTree::sessionXml(77, "", 0, qv_platform::currentTime()));
  struct Case {
    std::string name;  // the entry planted in sessions/
    std::string plant;
    std::vector<std::string> args;  // how the request names its session
    bool web;                       // REMOTE_ADDR set
    std::string input;              // standard input of the run
  };
  const Case cases[] = {
      {"alias", "link to real", {"--sessionID", "alias"}, false, ""},
      {"outside", "link to ../config/stolen", {"--sessionID", "outside"}, false, ""},
      {"dangling", "link to nowhere", {"--sessionID", "dangling"}, false, ""},
      {"stdin", "link to /dev/stdin", {"--sessionID", "stdin"}, true, "data/body"},
      {"dir", "directory", {"--sessionID", "dir"}, false, ""},
      {"pipe", "fifo", {"--sessionID", "pipe"}, true, ""},
      // The sessions the program chooses by itself.
      {"cmd_cmdlinesession", "link to real", {}, false, ""},
      {"guest_guestsession", "fifo", {}, true, ""},
      {"127.0.0.1_computeripaddress", "link to real", {}, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string entry = "sessions/" + c.name;
    fs::remove_all(t_.path(entry));
    if (c.plant == "fifo") {
      ASSERT_EQ(::mkfifo(t_.path(entry).c_str(), 0666), 0);
    } else if (c.plant == "directory") {
      fs::create_directories(t_.path(entry + "/inner"));
    } else {
      fs::create_symlink(c.plant.substr(8), t_.path(entry));
    }
    fs::remove(t_.path("logs/security.log"));
    const RunResult r = mime(ofUser77_, c.args, c.input, c.web);
    EXPECT_EQ(r.out, kRefused);
    EXPECT_EQ(r.status, 11);
    EXPECT_EQ(kind(t_, entry), c.plant);
    EXPECT_NE(log().find(",2049,1,\"\",-1,\"XML library failure with error: ../sessions/" + c.name +
                         ": line 0, col 0 - the document is not a regular file"),
              std::string::npos)
        << log();
    EXPECT_NE(log().find(",4355,1,\"\",-1,\"Can't find the session file requested\""), std::string::npos) << log();
    fs::remove_all(t_.path(entry));
  }
  EXPECT_EQ(kind(t_, "sessions/real"), "file");
}

TEST_F(SecurityStore, OptionsSchemaAndLogAreUsedOnlyAsRegularFilesAndNeverWaitedOn) {
  t_.session("own", 42);
  t_.write("config/other_options.xml", ResultsTree::optionsXml());
  t_.write("config/other_schema.xsd", t_.read("config/tarnel_security_1_0.xsd"));
  t_.write("data/victim", "victim\n");
  ASSERT_EQ(mime(ofUser42_, {"--sessionID", "own"}).out, kFile) << "the tree as it is gives the results";
  struct Case {
    std::string file;
    std::string plant;
    std::string answer;
  };
  const Case cases[] = {
      {"config/security_options.xml", "fifo", kRefused},
      {"config/security_options.xml", "link to other_options.xml", kRefused},
      {"config/security_options.xml", "link to nowhere.xml", kRefused},
      {"config/tarnel_security_1_0.xsd", "fifo", kRefused},
      {"config/tarnel_security_1_0.xsd", "link to other_schema.xsd", kRefused},
      {"config/tarnel_security_1_0.xsd", "directory", kRefused},
      // A log that cannot be written is skipped; the request goes on.
      {"logs/security.log", "fifo", kFile},
      {"logs/security.log", "link to ../data/victim", kFile},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " as " + c.plant);
    const std::string saved = t_.read(c.file);
    fs::remove(t_.path(c.file));
    if (c.plant == "fifo") {
      ASSERT_EQ(::mkfifo(t_.path(c.file).c_str(), 0666), 0);
    } else if (c.plant == "directory") {
      fs::create_directories(t_.path(c.file));
    } else {
      fs::create_symlink(c.plant.substr(8), t_.path(c.file));
    }
    const RunResult r = mime(ofUser42_, {"--sessionID", "own"});
    EXPECT_EQ(r.out, c.answer);
    EXPECT_EQ(r.status, c.answer == kFile ? 0 : 11);
    EXPECT_EQ(kind(t_, c.file), c.plant);
    fs::remove_all(t_.path(c.file));
    if (!saved.empty()) t_.write(c.file, saved);
  }
  EXPECT_EQ(t_.read("data/victim"), "victim\n");
  EXPECT_EQ(kind(t_, "config/other_options.xml"), "file");
}

TEST_F(SecurityStore, DocumentsShapedToMakeTheParserSpinAreRefusedWithOneLogLine) {
  // A session's start: the root, with its namespace, and its data element;
  // the XML library reads on past a problem of validity, into the shape.
  const std::string session = ResultsTree::sessionXml(77, "", 0, qv_platform::currentTime());
  const std::string head = session.substr(0, session.find("<qvs:session_data>\r\n") + 20);
  std::string deep = head;
  for (int i = 0; i < 1000000; ++i) deep += "<qvs:a>";  // 7 MB
  std::string wide = "<?xml version=\"1.0\"?>\n<qvs:security_session xmlns:qvs=\"urn:tarnel:security:1.0\"";
  for (int i = 0; i < 200000; ++i) wide += " a" + std::to_string(i) + "=\"1\"";
  wide += ">" + session.substr(session.find("<qvs:session_data>"));
  const struct {
    std::string name;
    std::string document;
    std::string reason;
  } cases[] = {
      // The root and qvs:session_data are two deep: the 63rd qvs:a is too deep.
      {"deep", deep, "line 4, col 435 - elements are nested deeper than 64"},
      {"wide", wide, "line 2, col 1 - an element has more than 16 attributes"},
      {"declared", "<!DOCTYPE x [<!ENTITY a \"aaaaaaaaaa\">]>" + session,
       "line 1, col 1 - a document type declaration is not accepted"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    t_.write("sessions/" + c.name, c.document);
    fs::remove(t_.path("logs/security.log"));
    const RunResult r = mime(ofUser77_, {"--sessionID", c.name});
    EXPECT_EQ(r.out, kRefused);
    EXPECT_EQ(r.status, 11);
    EXPECT_EQ(count(log(), ",2049,"), 1u) << log().substr(0, 2000);
    EXPECT_NE(log().find("../sessions/" + c.name + ": " + c.reason), std::string::npos) << log().substr(0, 2000);
  }
}

TEST_F(SecurityStore, DocumentWithAProblemInEveryElementAddsAHandfulOfLogLines) {
  // Within the shape, but each of 20,000 permitted tasks breaks the schema.
  std::string tasks;
  for (int i = 0; i < 20000; ++i) {
    tasks +=
        "<qvs:task><qvs:task_id>x</qvs:task_id><qvs:short_desc/><qvs:long_desc/><qvs:task_name/>"
        "<qvs:type>99</qvs:type><qvs:values_array/></qvs:task>";
  }
  t_.write("sessions/noisy", ResultsTree::sessionXml(42, tasks, 0, qv_platform::currentTime()));
  const RunResult r = mime(ofUser42_, {"--sessionID", "noisy"});
  EXPECT_EQ(r.out, kRefused);
  EXPECT_EQ(r.status, 11);
  const std::string text = log();
  EXPECT_EQ(count(text, ",2049,"), 11u) << text.substr(0, 3000);
  EXPECT_NE(text.find("../sessions/noisy: line 0, col 0 - further problems are not reported; the rest of the "
                      "document was not read"),
            std::string::npos)
      << text.substr(0, 3000);
}

}  // namespace
