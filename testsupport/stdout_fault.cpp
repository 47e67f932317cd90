// qv-stdout-fault: runs a program with a standard output that cannot take
// its answer, for the end-to-end tests of lost answers.
//
//   qv-stdout-fault closed PROGRAM ARGS...   standard output closed
//   qv-stdout-fault full PROGRAM ARGS...     standard output on /dev/full
//   qv-stdout-fault broken PROGRAM ARGS...   a pipe whose reader is gone, with
//                                            SIGPIPE ignored (as a web server
//                                            that ignores it passes it on)
//
// The program replaces this one (exec), so the exit status is the program's.
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: qv-stdout-fault closed|full|broken PROGRAM [ARGS...]\n");
    return 125;
  }
  const char* mode = argv[1];
  if (strcmp(mode, "closed") == 0) {
    close(STDOUT_FILENO);
  } else if (strcmp(mode, "full") == 0) {
    const int fd = open("/dev/full", O_WRONLY);
    if (fd < 0 || dup2(fd, STDOUT_FILENO) < 0) return 125;
    close(fd);
  } else if (strcmp(mode, "broken") == 0) {
    int ends[2];
    if (pipe(ends) != 0) return 125;
    close(ends[0]);
    if (dup2(ends[1], STDOUT_FILENO) < 0) return 125;
    close(ends[1]);
    signal(SIGPIPE, SIG_IGN);  // an ignored signal stays ignored across exec
  } else {
    fprintf(stderr, "qv-stdout-fault: unknown mode %s\n", mode);
    return 125;
  }
  execv(argv[2], argv + 2);
  perror("qv-stdout-fault: exec");
  return 126;
}
