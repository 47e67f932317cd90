#pragma once
// End-to-end test support: a temporary server tree (cgi/, config/, data/,
// logs/, sessions/) and a way to run the real programs of the build in it as
// separate processes, capturing both streams and the exit status.
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qvtest {

/// The build tree (where the programs are) and the source tree.
std::string buildDir();
std::string sourceDir();
/// Path of a program built into the top of the build tree.
std::string programPath(const std::string& name = "qv-searchcontrol");

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
  bool timedOut = false;  ///< killed at the end of the time allowed
};

/// A fresh server tree under the system's temporary directory, removed when
/// the object goes away (unless QV_KEEP_TREES is set in the environment).
/// Its config/ holds a copy of the security schema. sessions/ is open to
/// its owner only, and nothing in config/ can be written by others.
class ServerTree {
 public:
  ServerTree();
  ~ServerTree();
  ServerTree(const ServerTree&) = delete;
  ServerTree& operator=(const ServerTree&) = delete;

  const std::string& root() const { return root_; }
  std::string path(const std::string& relative) const { return root_ + "/" + relative; }
  std::string cgi() const { return path("cgi"); }

  /// Writes a file below the tree (parent directories are made).
  void write(const std::string& relative, const std::string& contents) const;
  /// Reads a file below the tree; empty when it cannot be read.
  std::string read(const std::string& relative) const;
  bool exists(const std::string& relative) const;

  /// Extra environment for every run; REMOTE_ADDR and friends are unset
  /// unless given here.
  void setEnv(const std::string& name, const std::string& value);

  /// Runs qv-searchcontrol with `args` (argv[0] is the program's full path)
  /// in cgi/ as its working directory.
  RunResult run(const std::vector<std::string>& args) const;
  /// Runs another program of the build (or any path) the same way.
  RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                       const std::string& argv0 = {}) const;
  /// Runs qv-searchcontrol with `extraEnv` added for this run only.
  RunResult runWithEnv(const std::vector<std::pair<std::string, std::string>>& extraEnv,
                       const std::vector<std::string>& args) const;
  /// Runs qv-searchcontrol (or `program`) like run(), calling `onOutput`
  /// with all of its standard output so far each time a piece arrives.
  RunResult runWatching(const std::vector<std::string>& args,
                        const std::function<void(const std::string&)>& onOutput,
                        const std::string& program = {}) const;
  /// Runs qv-searchcontrol like run(), but the reader of its standard
  /// output goes away (closes its end of the pipe) once `bytes` bytes have
  /// arrived, and the run is killed when it has not ended after
  /// `timeoutSeconds` (timedOut is then set).
  RunResult runReaderLeaving(const std::vector<std::string>& args, size_t bytes, int timeoutSeconds) const;

 private:
  RunResult runRequest(const std::string& program, const std::vector<std::string>& args, const std::string& argv0,
                       const std::function<void(const std::string&)>& onOutput, size_t leaveAfter = 0,
                       int timeoutSeconds = 0) const;
  std::string root_;
  std::vector<std::pair<std::string, std::string>> env_;
  mutable std::vector<std::pair<std::string, std::string>> runEnv_;  // for one run only
};

/// The environment that makes reads and/or writes of `file` (an absolute
/// path) fail with EIO in a program run with it: the fault-injection library
/// libqv-eio-shim.so of the build. `ops` is "read", "write" or "read,write".
std::vector<std::pair<std::string, std::string>> failingIo(const std::string& file, const std::string& ops);

}  // namespace qvtest
