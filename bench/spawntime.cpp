// spawntime: starts commands many times, interleaved, and prints the median
// wall time of one run of each in microseconds.
//   spawntime RUNS DIR -- CMD1 ARGS... -- CMD2 ARGS... [-- ...]
// Every command runs in DIR with standard output and error sent to /dev/null.
// Interleaving the runs keeps a change in machine load from favouring one.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

static double now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e6 + ts.tv_nsec / 1e3;
}

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: spawntime RUNS DIR -- CMD... [-- CMD...]\n");
    return 2;
  }
  int runs = std::atoi(argv[1]);
  if (chdir(argv[2]) != 0) {
    std::perror("chdir");
    return 2;
  }
  std::vector<std::vector<char*>> cmds;
  for (int i = 3; i < argc; ++i) {
    if (std::string(argv[i]) == "--") {
      cmds.emplace_back();
    } else if (!cmds.empty()) {
      cmds.back().push_back(argv[i]);
    }
  }
  for (auto& c : cmds) c.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::vector<double>> times(cmds.size());
  for (int r = 0; r < runs; ++r) {
    for (size_t c = 0; c < cmds.size(); ++c) {
      double t0 = now();
      pid_t pid;
      if (posix_spawn(&pid, cmds[c][0], &fa, nullptr, cmds[c].data(), environ) != 0) {
        std::perror("posix_spawn");
        return 2;
      }
      int status;
      waitpid(pid, &status, 0);
      times[c].push_back(now() - t0);
    }
  }
  for (auto& t : times) {
    std::sort(t.begin(), t.end());
    std::printf("%.1f\n", t[t.size() / 2]);
  }
  return 0;
}
