#pragma once
// A server tree for the results-command tests: tasks completed by the
// search-engine stand-in with a results file of the test's choosing, and
// the security layer switched on (login.pl, security options, session files
// of given users, permitted tasks) when a test asks for it.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "searchcontrol/cmd_test_support.h"
#include "testsupport/security_documents.h"

namespace qvtest {

class ResultsTree : public TaskTree {
 public:
  ResultsTree() { sim({"create", "1"}); }

  /// A new task that the engine has completed (job status 2) with results
  /// file `name` (as the engine writes it, relative to cgi/) for owner
  /// `owner`.
  int64_t completed(const std::string& name, int owner = 0) const {
    const int64_t id = create();
    sim({"put", std::to_string(id), "2", "100", name, "1001", std::to_string(owner)});
    return id;
  }

  /// A new completed task whose results file data/<name> is made by
  /// qv-genresults with `options`.
  int64_t generated(const std::string& name, const std::vector<std::string>& options) const {
    std::vector<std::string> args = options;
    args.insert(args.end(), {"--output", path("data/" + name)});
    const RunResult g = runProgram(programPath("qv-genresults"), args);
    EXPECT_EQ(g.status, 0) << g.err;
    return completed("../data/" + name);
  }

  /// Runs `command` for task `id`, with `extra` arguments after it.
  RunResult ask(const std::string& command, int64_t id, const std::vector<std::string>& extra = {}) const {
    std::vector<std::string> args = {command, "--taskID", std::to_string(id)};
    args.insert(args.end(), extra.begin(), extra.end());
    return run(args);
  }

  /// Installs the security layer: "cgi/login.pl" and options with security on.
  void securityOn() const {
    write("cgi/login.pl", "#!/usr/bin/perl\n");
    write("config/security_options.xml", optionsXml());
  }

  /// A session file "sessions/<id>" of user `userID`, last used `idle`
  /// seconds ago with a time-out of `timeout` seconds (0: never), holding
  /// the permitted tasks `tasks` (made with permittedTask).
  void session(const std::string& id, int userID, const std::string& tasks = "", int64_t timeout = 0,
               int64_t idle = 0) const {
    write("sessions/" + id, sessionXml(userID, tasks, timeout, qv_platform::currentTime() - idle));
  }

  /// A permitted task of a session file: `taskID` with `values`.
  static std::string permittedTask(int taskID, const std::vector<int>& values = {}) {
    std::string x = "<qvs:task><qvs:task_id>" + std::to_string(taskID) +
                    "</qvs:task_id><qvs:short_desc/><qvs:long_desc/><qvs:task_name/><qvs:type>" +
                    (values.empty() ? "1" : "4") + "</qvs:type><qvs:values_array>";
    for (int v : values) x += "<qvs:value>" + std::to_string(v) + "</qvs:value>";
    return x + "</qvs:values_array></qvs:task>";
  }

  static std::string optionsXml() { return qvtest::optionsXml(true); }

  static std::string sessionXml(int userID, const std::string& tasks, int64_t timeout, int64_t lastAccessed) {
    return qvtest::sessionXml(lastAccessed, {{"timeout", std::to_string(timeout)}, {"userID", std::to_string(userID)}},
                              "", tasks);
  }
};

}  // namespace qvtest
