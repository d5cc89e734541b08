// Running a program as a user would and timing it, for the benches that set
// ztr-tool beside a peer command.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace bench {

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Run {
  double seconds = 0;
  int status = -1;
  long peakKb = 0;  // the child's largest resident set
  std::string err;
};

// Runs a program with stdout to a file (or /dev/null) and stderr collected;
// the wall time includes starting the process.
inline Run RunProgram(const std::vector<std::string>& args,
                      const std::string& stdoutPath = "/dev/null") {
  const std::string errPath =
      std::filesystem::temp_directory_path() / ("ztr-bench-" + std::to_string(::getpid()) + ".err");
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int out = ::open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) ::_exit(126);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    std::vector<std::string> copies(args);
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  Run run;
  run.seconds = Seconds(start);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.peakKb = usage.ru_maxrss;
  if (FILE* f = std::fopen(errPath.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) run.err.append(buffer, n);
    std::fclose(f);
  }
  std::filesystem::remove(errPath);
  return run;
}

// The fastest of `runs` runs.
inline Run BestOf(int runs, const std::vector<std::string>& args) {
  Run best;
  for (int i = 0; i < runs; ++i) {
    Run run = RunProgram(args);
    if (i == 0 || run.seconds < best.seconds) best = std::move(run);
  }
  return best;
}

}  // namespace bench
