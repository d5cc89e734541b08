// Runs the real ztr-tool binary and collects what it wrote and its exit
// status, so the tests see exactly what a user at a console would.
#pragma once

#include <grp.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace cli_test {

struct ToolResult {
  std::string out;
  std::string err;
  int status = -1;  // the exit status, or -1 when the tool did not exit normally
};

struct RunOptions {
  std::string workingDir;  // empty: the test's own
  std::string stdoutPath;  // non-empty: stdout goes to this file instead
  bool asNobody = false;   // gives up root first, so permissions apply to it
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

// Starts the tool with its output thrown away.
inline pid_t StartTool(std::vector<std::string> args) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  std::freopen("/dev/null", "w", stdout), std::freopen("/dev/null", "w", stderr);
  std::vector<char*> argv{const_cast<char*>(ZTR_TOOL_PATH)};
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  ::execv(ZTR_TOOL_PATH, argv.data());
  ::_exit(127);
}

// Runs a program (the tool, or a peer such as ncdu) with TZ=UTC, so file
// labels carry predictable times.
inline ToolResult RunProgram(std::string program, const std::vector<std::string>& args,
                             const RunOptions& options = {}) {
  int outPipe[2], errPipe[2];
  if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0) std::abort();
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (!options.workingDir.empty() && ::chdir(options.workingDir.c_str()) != 0) ::_exit(126);
    if (!options.stdoutPath.empty()) {
      if (!std::freopen(options.stdoutPath.c_str(), "w", stdout)) ::_exit(126);
    } else {
      ::dup2(outPipe[1], STDOUT_FILENO);
    }
    ::dup2(errPipe[1], STDERR_FILENO);
    ::close(outPipe[0]), ::close(outPipe[1]), ::close(errPipe[0]), ::close(errPipe[1]);
    ::setenv("TZ", "UTC", 1);
    if (options.asNobody && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(125);
    std::vector<char*> argv;
    argv.push_back(program.data());
    std::vector<std::string> copies(args);
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
    ::execvp(program.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  ::close(errPipe[1]);
  // Both pipes at once: a tool that fills one while the test waits on the
  // other would otherwise never finish.
  ToolResult result;
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  char buffer[65536];
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) continue;
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
  int status = 0;
  if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

inline ToolResult RunTool(const std::vector<std::string>& args, const RunOptions& options = {}) {
  return RunProgram(ZTR_TOOL_PATH, args, options);
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

// A fresh folder removed with all it holds.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ztr-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    // The path as the tool will see it, links resolved, for comparing labels.
    m_path = std::filesystem::canonical(pattern).string();
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

 private:
  std::string m_path;
};

}  // namespace cli_test
