// Runs a program and reports what it cost: wall time, CPU time (user and
// system, from the kernel's accounting of the finished child, so finer than
// time(1)'s 10 ms) and peak resident set. The program's output goes to
// /dev/null; its error output is kept in ERRFILE for the report.
//
//   measure ERRFILE PROGRAM ARGS...
//
// Prints one line: <wall s> <user s> <sys s> <peak RSS KiB> <exit status>
// (exit status 128+N when killed by signal N).

#include <cstdio>
#include <ctime>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

double now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: measure ERRFILE PROGRAM ARGS...\n");
    return 2;
  }
  const double start = now();
  pid_t child = fork();
  if (child < 0) {
    std::perror("measure: fork");
    return 2;
  }
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    int err = open(argv[1], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (null >= 0) dup2(null, 1);
    if (err >= 0) dup2(err, 2);
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int status = 0;
  rusage use{};
  if (wait4(child, &status, 0, &use) < 0) {
    std::perror("measure: wait4");
    return 2;
  }
  const double wall = now() - start;
  int code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  std::printf("%.6f %.6f %.6f %ld %d\n", wall, seconds(use.ru_utime), seconds(use.ru_stime), use.ru_maxrss, code);
  return 0;
}
