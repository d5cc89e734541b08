// Scratch folders, whole-file helpers and child processes for the tests of
// the file layer, which need real files and sometimes a user without root's
// privileges.
#pragma once

#ifndef _WIN32
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <process.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

namespace files_test {

using Bytes = std::vector<unsigned char>;

#ifndef _WIN32
constexpr uid_t kNobody = 65534;
#endif

// A fresh folder under the system's temporary folder, removed with all it
// holds. Open to everyone, so a child running as nobody can reach into it.
class ScratchFolder {
 public:
  ScratchFolder() {
#ifdef _WIN32
    static int count = 0;
    m_path = (std::filesystem::temp_directory_path() /
              ("ztr-files-" + std::to_string(_getpid()) + "-" + std::to_string(++count)))
                 .string();
    std::filesystem::create_directory(m_path);
#else
    std::string pattern = (std::filesystem::temp_directory_path() / "ztr-files-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    m_path = pattern;
    ::chmod(m_path.c_str(), 0755);
#endif
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string operator/(const std::string& name) const { return m_path + "/" + name; }

  // Names in the folder, sorted, so a stray temporary file shows up.
  std::vector<std::string> Entries(const std::string& sub = {}) const {
    std::vector<std::string> names;
    for (const auto& entry :
         std::filesystem::directory_iterator(sub.empty() ? m_path : *this / sub))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  std::string m_path;
};

inline void WriteWholeFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

inline void WriteWholeFile(const std::string& path, const std::string& text) {
  WriteWholeFile(path, Bytes(text.begin(), text.end()));
}

inline Bytes ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string ReadWholeText(const std::string& path) {
  const Bytes bytes = ReadWholeFile(path);
  return std::string(bytes.begin(), bytes.end());
}

#ifndef _WIN32
inline mode_t ModeOf(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

// Runs body in a forked child and returns its exit status, or -1 when it
// did not exit normally. With asNobody, the child first gives up root (when
// it has it), so permission checks apply to it as to an ordinary user.
inline int RunInChild(bool asNobody, const std::function<int()>& body) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (asNobody && ::geteuid() == 0 &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(120);
    int status = 121;
    try {
      status = body();
    } catch (...) {
      status = 122;
    }
    ::_exit(status);
  }
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace files_test
