#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace qv_platform {

namespace {

std::vector<char*> cArgv(const std::vector<std::string>& args) {
  std::vector<char*> out;
  out.reserve(args.size() + 1);
  for (const auto& a : args) out.push_back(const_cast<char*>(a.c_str()));
  out.push_back(nullptr);
  return out;
}

double nowSeconds() {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// Runs in the child after fork: sets up the environment and directory, then execs.
[[noreturn]] void execChild(const ProcessRequest& req) {
  if (req.clearEnvironment) clearenv();
  for (const auto& name : req.unsetEnvironment) unsetenv(name.c_str());
  for (const auto& [name, value] : req.environment) setenv(name.c_str(), value.c_str(), 1);
  if (!req.workingDirectory.empty() && chdir(req.workingDirectory.c_str()) != 0) _exit(127);
  auto args = cArgv(req.argv);
  execvp(req.program.empty() ? args[0] : req.program.c_str(), args.data());
  _exit(127);
}

}  // namespace

std::optional<ProcessResult> runProcess(const ProcessRequest& req) {
  if (req.argv.empty()) return std::nullopt;
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) != 0) return std::nullopt;
  if (pipe2(outPipe, O_CLOEXEC) != 0) {
    close(inPipe[0]);
    close(inPipe[1]);
    return std::nullopt;
  }
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1]}) close(fd);
    return std::nullopt;
  }
  pid_t pid = fork();
  if (pid < 0) {
    for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) close(fd);
    return std::nullopt;
  }
  if (pid == 0) {
    dup2(inPipe[0], STDIN_FILENO);
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    execChild(req);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);

  ProcessResult result;
  std::string_view pendingIn = req.standardInput;
  int inFd = inPipe[1];
  if (pendingIn.empty()) {
    close(inFd);
    inFd = -1;
  } else {
    fcntl(inFd, F_SETFL, O_NONBLOCK);
  }
  // Writing to a child that has exited must not kill us.
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &old);

  const double deadline = nowSeconds() + req.timeoutSeconds;
  int outFd = outPipe[0], errFd = errPipe[0];
  char buf[65536];
  while (outFd >= 0 || errFd >= 0) {
    struct pollfd fds[3];
    int n = 0;
    if (outFd >= 0) fds[n++] = {outFd, POLLIN, 0};
    if (errFd >= 0) fds[n++] = {errFd, POLLIN, 0};
    if (inFd >= 0) fds[n++] = {inFd, POLLOUT, 0};
    double left = deadline - nowSeconds();
    if (left <= 0) {
      result.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    int rc = poll(fds, static_cast<nfds_t>(n), static_cast<int>(left * 1000) + 1);
    if (rc < 0 && errno != EINTR) break;
    for (int i = 0; i < n && rc > 0; ++i) {
      if (fds[i].revents == 0) continue;
      int fd = fds[i].fd;
      if (fd == inFd) {
        ssize_t w = write(inFd, pendingIn.data(), pendingIn.size());
        if (w > 0) pendingIn.remove_prefix(static_cast<size_t>(w));
        if (w < 0 && errno != EAGAIN && errno != EINTR) pendingIn = {};
        if (pendingIn.empty()) {
          close(inFd);
          inFd = -1;
        }
        continue;
      }
      ssize_t r = read(fd, buf, sizeof buf);
      if (r > 0) {
        (fd == outFd ? result.standardOutput : result.standardError).append(buf, static_cast<size_t>(r));
        if (fd == outFd && req.onStandardOutput) req.onStandardOutput(result.standardOutput);
        if (fd == outFd && req.closeStandardOutputAfter > 0 &&
            result.standardOutput.size() >= req.closeStandardOutputAfter) {
          close(outFd);
          outFd = -1;
        }
      } else if (r == 0 || (errno != EINTR && errno != EAGAIN)) {
        close(fd);
        if (fd == outFd) outFd = -1;
        else errFd = -1;
      }
    }
  }
  for (int fd : {inFd, outFd, errFd}) {
    if (fd >= 0) close(fd);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  sigaction(SIGPIPE, &old, nullptr);
  if (WIFEXITED(status)) result.exitStatus = WEXITSTATUS(status);
  else if (WIFSIGNALED(status)) result.exitStatus = 128 + WTERMSIG(status);
  return result;
}

bool startDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  int errPipe[2];
  if (pipe2(errPipe, O_CLOEXEC) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) {
    close(errPipe[0]);
    close(errPipe[1]);
    return false;
  }
  if (pid == 0) {
    close(errPipe[0]);
    setsid();
    pid_t grandchild = fork();
    if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
    auto args = cArgv(argv);
    execvp(args[0], args.data());
    int e = errno;
    ssize_t ignored = write(errPipe[1], &e, sizeof e);
    (void)ignored;
    _exit(127);
  }
  close(errPipe[1]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  // The exec failure (if any) arrives through the pipe; a successful exec closes it.
  int e = 0;
  ssize_t r;
  do {
    r = read(errPipe[0], &e, sizeof e);
  } while (r < 0 && errno == EINTR);
  close(errPipe[0]);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  return r != static_cast<ssize_t>(sizeof e);
}

std::string executableDirectory() {
  char buf[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  std::string path(buf, static_cast<size_t>(n));
  auto slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace qv_platform
