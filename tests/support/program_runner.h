// Runs a real program (ztr, ztr-tool, or a peer such as ncdu) and collects
// what it wrote and its exit status, as a user at a console would see them.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/child_process.h"

struct ProgramResult {
  std::string out;
  std::string err;
  int status = -1;  // the exit status, or -1 when the program did not exit normally
};

struct RunOptions {
  std::string workingDir;          // empty: the test's own
  std::string stdoutPath;          // non-empty: stdout goes to this file instead
  bool asNobody = false;           // gives up root first, so permissions apply to it
  std::vector<std::string> unset;  // environment variables it must not see
};

inline RunOptions InFolder(const std::string& dir) {
  RunOptions options;
  options.workingDir = dir;
  return options;
}
inline RunOptions StdoutTo(const std::string& path) {
  RunOptions options;
  options.stdoutPath = path;
  return options;
}

// In a child: replaces it with the program, or exits 127.
[[noreturn]] inline void ExecProgram(std::string program, std::vector<std::string> args) {
  std::vector<char*> argv{program.data()};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execvp(program.c_str(), argv.data());
  ::_exit(127);
}

// Starts the program with its output thrown away.
inline pid_t StartProgram(const std::string& program, const std::vector<std::string>& args) {
  return StartChild(false, [&]() -> int {
    std::freopen("/dev/null", "w", stdout), std::freopen("/dev/null", "w", stderr);
    ExecProgram(program, args);
  });
}

// Runs the program with TZ=UTC, so file labels carry predictable times.
inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                                const RunOptions& options = {}) {
  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) std::abort();
  const pid_t pid = StartChild(false, [&]() -> int {
    if (!options.workingDir.empty() && ::chdir(options.workingDir.c_str()) != 0) return 126;
    if (!options.stdoutPath.empty()) {
      if (!std::freopen(options.stdoutPath.c_str(), "w", stdout)) return 126;
    } else {
      ::dup2(outPipe[1], STDOUT_FILENO);
    }
    ::dup2(errPipe[1], STDERR_FILENO);
    ::close(outPipe[0]), ::close(outPipe[1]), ::close(errPipe[0]), ::close(errPipe[1]);
    ::setenv("TZ", "UTC", 1);
    for (const std::string& name : options.unset) ::unsetenv(name.c_str());
    // Last, so that the test's own user sets up the output and the folder.
    if (options.asNobody && !BecomeNobody()) return 125;
    ExecProgram(program, args);
  });
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  // Both pipes at once: a program that fills one while the test waits on the
  // other would otherwise never finish.
  ProgramResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  char buffer[65536];
  for (int idle = 0; open > 0;) {
    // Nothing for the deadline: killed, its pipes close.
    if (::poll(fds, 2, 1000) == 0 && ++idle == kChildSeconds) ::kill(pid, SIGKILL);
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      const ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  result.status = WaitForChild(pid);
  return result;
}

// Lines of a text, without their line breaks.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t from = 0;
  while (from < text.size()) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(from, end - from));
    from = end + 1;
  }
  return lines;
}
