// Forked children, so a test can give up root, lower a limit or run another
// program without changing the test process itself.
#pragma once

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

constexpr uid_t kNobody = 65534;

// In a child running as root: becomes the unprivileged user nobody, so that
// permission checks apply to it as to an ordinary user. False on failure.
inline bool BecomeNobody() {
  return ::geteuid() != 0 ||
         (::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0);
}

// Starts body in a forked child that exits with what body returns: 120 when
// it could not become nobody, 122 when body threw.
inline pid_t StartChild(bool asNobody, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid != 0) return pid;
  if (asNobody && !BecomeNobody()) ::_exit(120);
  int status = 121;
  try {
    status = body();
  } catch (...) {
    status = 122;
  }
  ::_exit(status);
}

constexpr int kChildSeconds = 120;

// The child's exit status, or -1 when it did not exit normally. One still
// running after kChildSeconds is killed: the test fails instead of hanging.
inline int WaitForChild(pid_t pid) {
  int status = 0;
  for (int ms = 0; pid >= 0; ++ms, ::usleep(1000)) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done != 0) return done == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (ms == kChildSeconds * 1000) ::kill(pid, SIGKILL);
  }
  return -1;
}

inline int RunInChild(bool asNobody, const std::function<int()>& body) {
  return WaitForChild(StartChild(asNobody, body));
}

// Runs body in a child and returns the text it gave back, or
// "child failed (<status>)".
inline std::string TextFromChild(bool asNobody, const std::function<std::string()>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "no pipe";
  const pid_t pid = StartChild(asNobody, [&] {
    ::close(pipeFds[0]);
    const std::string out = body();
    for (size_t done = 0; done < out.size();) {
      const ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
      if (n <= 0) return 123;
      done += static_cast<size_t>(n);
    }
    return 0;
  });
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipeFds[0]);
  const int status = WaitForChild(pid);
  return status == 0 ? out : "child failed (" + std::to_string(status) + ")";
}

// Ordinary users ztralice and ztrbob, each with a group of their own, who
// share the group ztrteam; made when missing.
inline bool EnsureSharedGroupUsers() {
  return std::system(
             "(getent group ztrteam || groupadd ztrteam) >/dev/null && for u in ztralice "
             "ztrbob; do id $u >/dev/null 2>&1 || useradd -M -U -G ztrteam $u; done") == 0;
}

// TextFromChild run as the user `name` with all their groups.
inline std::string TextAsUser(const char* name, const std::function<std::string()>& body) {
  return TextFromChild(false, [&]() -> std::string {
    const passwd* u = ::getpwnam(name);
    const bool became = u && ::initgroups(name, u->pw_gid) == 0 && ::setgid(u->pw_gid) == 0 &&
                        ::setuid(u->pw_uid) == 0;
    return became ? body() : "could not become " + std::string(name);
  });
}
