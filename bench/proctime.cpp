// proctime: times two programs side by side as whole processes.
//
//   proctime RUNS INPUT null|pipe PROGRAM_A PROGRAM_B
//
// Runs A and B alternately RUNS times each, standard input from INPUT and
// standard output to /dev/null or through a pipe into cat (both pinned to
// CPU 0, so where the scheduler puts them does not decide the result).
// Prints the median wall time of each in milliseconds, their ratio A/B, and
// the peak resident memory of each in KiB.
#include <fcntl.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void pin_to_first_cpu() {
  cpu_set_t set;
  CPU_ZERO(&set);
  CPU_SET(0, &set);
  sched_setaffinity(0, sizeof set, &set);
}

pid_t start(char const* path, int in, int out, bool pinned) {
  pid_t const pid = fork();
  if (pid == 0) {
    if (pinned) {
      pin_to_first_cpu();
    }
    dup2(in, 0);
    dup2(out, 1);
    execl(path, path, static_cast<char*>(nullptr));
    _exit(127);
  }
  return pid;
}

struct Sample {
  double ms;
  long rss_kib;
};

Sample run_once(char const* program, char const* input, bool through_pipe) {
  int const in = open(input, O_RDONLY | O_CLOEXEC);
  auto const begin = std::chrono::steady_clock::now();
  pid_t reader = -1;
  int out = -1;
  if (through_pipe) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
      std::perror("pipe");
      std::exit(2);
    }
    int const null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    reader = start("/bin/cat", ends[0], null, true);
    close(null);
    close(ends[0]);
    out = ends[1];
  } else {
    out = open("/dev/null", O_WRONLY | O_CLOEXEC);
  }
  pid_t const pid = start(program, in, out, through_pipe);
  close(out);
  close(in);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  if (reader > 0) {
    waitpid(reader, nullptr, 0);
  }
  auto const end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "proctime: %s failed\n", program);
    std::exit(2);
  }
  return {std::chrono::duration<double, std::milli>(end - begin).count(), usage.ru_maxrss};
}

double median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 6) {
    std::fprintf(stderr, "usage: proctime RUNS INPUT null|pipe PROGRAM_A PROGRAM_B\n");
    return 2;
  }
  int const runs = std::max(1, std::atoi(argv[1]));
  bool const through_pipe = std::string(argv[3]) == "pipe";
  std::vector<double> a;
  std::vector<double> b;
  long rss_a = 0;
  long rss_b = 0;
  for (int i = 0; i < runs; ++i) {
    Sample const sa = run_once(argv[4], argv[2], through_pipe);
    Sample const sb = run_once(argv[5], argv[2], through_pipe);
    a.push_back(sa.ms);
    b.push_back(sb.ms);
    rss_a = std::max(rss_a, sa.rss_kib);
    rss_b = std::max(rss_b, sb.rss_kib);
  }
  double const ma = median(a);
  double const mb = median(b);
  std::printf("%.3f %.3f %.3f %ld %ld\n", ma, mb, ma / mb, rss_a, rss_b);
  return 0;
}
