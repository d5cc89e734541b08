// Real folders and files for the tests: a scratch folder removed with all it
// holds, what to put in it, and whole-file reads and writes.
#pragma once

#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <process.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

class ScratchFolder {
 public:
  // Memory: in /dev/shm where it is there, for tests that make many entries
  // (creating files on a disk can cost a quarter of a millisecond each).
  enum class Storage { Disk, Memory };

  explicit ScratchFolder([[maybe_unused]] Storage storage = Storage::Disk) {
#ifdef _WIN32
    static int count = 0;
    do  // a folder an earlier process of the same id left behind is not ours
      m_path = (std::filesystem::temp_directory_path() /
                ("ztr-test-" + std::to_string(_getpid()) + "-" + std::to_string(++count)))
                   .string();
    while (!std::filesystem::create_directory(m_path));
#else
    std::filesystem::path base = std::filesystem::temp_directory_path();
    if (storage == Storage::Memory && ::access("/dev/shm", W_OK | X_OK) == 0) base = "/dev/shm";
    std::string pattern = (base / "ztr-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    // The path as the program will see it, links resolved, for comparing labels.
    m_path = std::filesystem::canonical(pattern).string();
    ::chmod(m_path.c_str(), 0755);  // a child running as nobody must reach into it
#endif
  }
  // Permissions a test took away are given back first, so all can go.
  ~ScratchFolder() {
    std::error_code ec;
#ifndef _WIN32
    for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
#endif
    std::filesystem::remove_all(m_path, ec);
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

#ifndef _WIN32
  void Dir(const std::string& name, mode_t mode = 0755) const {
    ASSERT_EQ(::mkdir((*this / name).c_str(), mode), 0) << name << ": " << std::strerror(errno);
    ::chmod((*this / name).c_str(), mode);
  }
  // A file of `size` bytes, last written at `mtime` seconds since 1970 UTC,
  // last read at `atime`. Small files get their bytes written (so they are not
  // sparse); large ones only their length.
  void File(const std::string& name, off_t size = 0, time_t mtime = 1046700000,
            time_t atime = 1046700000) const {
    const int fd = ::open((*this / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << name << ": " << std::strerror(errno);
    if (size > 0 && size <= 65536) {
      const std::string bytes(static_cast<size_t>(size), 'x');
      ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), size);
      ::fsync(fd);  // blocks allocated now, not later
    } else {
      ASSERT_EQ(::ftruncate(fd, size), 0) << std::strerror(errno);
    }
    const struct timespec times[2] = {{atime, 0}, {mtime, 0}};
    ASSERT_EQ(::futimens(fd, times), 0) << std::strerror(errno);
    ::close(fd);
  }
  void Link(const std::string& target, const std::string& name) const {
    ASSERT_EQ(::symlink(target.c_str(), (*this / name).c_str()), 0) << std::strerror(errno);
  }
#endif

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
#endif
