#include "testsupport/server_tree.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/process.h"

namespace qvtest {

namespace fs = std::filesystem;

std::string buildDir() { return QV_BUILD_DIR; }
std::string sourceDir() { return QV_SOURCE_DIR; }
std::string programPath(const std::string& name) { return buildDir() + "/" + name; }

ServerTree::ServerTree() {
  std::string tmpl = (fs::temp_directory_path() / "qvtree-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = tmpl;
  for (const char* dir : {"cgi", "config", "data", "logs", "sessions"}) fs::create_directories(path(dir));
  // Every document of the security store names this schema in config/.
  fs::copy_file(sourceDir() + "/schemas/tarnel_security_1_0.xsd", path("config/tarnel_security_1_0.xsd"));
  // The modes a careful administrator gives the security store, whatever
  // the umask: sessions only for the server's user, nothing writable by others.
  fs::permissions(path("sessions"), fs::perms::owner_all);
  fs::permissions(path("config"), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
  fs::permissions(path("config/tarnel_security_1_0.xsd"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read);
}

ServerTree::~ServerTree() {
  if (std::getenv("QV_KEEP_TREES") != nullptr) return;
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void ServerTree::write(const std::string& relative, const std::string& contents) const {
  fs::path p = path(relative);
  fs::create_directories(p.parent_path());
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << contents;
}

std::string ServerTree::read(const std::string& relative) const {
  std::ifstream f(path(relative), std::ios::binary);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

bool ServerTree::exists(const std::string& relative) const { return fs::exists(path(relative)); }

void ServerTree::setEnv(const std::string& name, const std::string& value) { env_.emplace_back(name, value); }

RunResult ServerTree::run(const std::vector<std::string>& args) const {
  return runProgram(programPath(), args);
}

RunResult ServerTree::runProgram(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& argv0) const {
  return runRequest(program, args, argv0, {});
}

RunResult ServerTree::runWatching(const std::vector<std::string>& args,
                                  const std::function<void(const std::string&)>& onOutput,
                                  const std::string& program) const {
  return runRequest(program.empty() ? programPath() : program, args, {}, onOutput);
}

RunResult ServerTree::runReaderLeaving(const std::vector<std::string>& args, size_t bytes,
                                       int timeoutSeconds) const {
  return runRequest(programPath(), args, {}, {}, bytes, timeoutSeconds);
}

RunResult ServerTree::runRequest(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& argv0, const std::function<void(const std::string&)>& onOutput,
                                 size_t leaveAfter, int timeoutSeconds) const {
  qv_platform::ProcessRequest req;
  req.onStandardOutput = onOutput;
  req.closeStandardOutputAfter = leaveAfter;
  if (timeoutSeconds > 0) req.timeoutSeconds = timeoutSeconds;
  req.argv.push_back(argv0.empty() ? program : argv0);
  req.argv.insert(req.argv.end(), args.begin(), args.end());
  req.workingDirectory = cgi();
  req.unsetEnvironment = {"REMOTE_ADDR", "REMOTE_USER", "HTTP_USER_AGENT", "HTTP_COOKIE",
                          "http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"};
  req.environment = env_;
  req.environment.insert(req.environment.end(), runEnv_.begin(), runEnv_.end());
  req.program = program;
  RunResult r;
  auto res = qv_platform::runProcess(req);
  if (!res) {
    r.status = -1;
    r.err = "could not start " + program;
    return r;
  }
  r.out = std::move(res->standardOutput);
  r.err = std::move(res->standardError);
  r.status = res->exitStatus;
  r.timedOut = res->timedOut;
  return r;
}

RunResult ServerTree::runWithEnv(const std::vector<std::pair<std::string, std::string>>& extraEnv,
                                 const std::vector<std::string>& args) const {
  runEnv_ = extraEnv;
  RunResult r = run(args);
  runEnv_.clear();
  return r;
}

std::vector<std::pair<std::string, std::string>> failingIo(const std::string& file, const std::string& ops) {
  // A sanitizer runtime wants to come first among the preloaded libraries;
  // the shim does not care about the order.
  return {{"LD_PRELOAD", buildDir() + "/libqv-eio-shim.so"},
          {"ASAN_OPTIONS", "verify_asan_link_order=0"},
          {"QV_EIO_FILE", file},
          {"QV_EIO_OPS", ops}};
}

}  // namespace qvtest
