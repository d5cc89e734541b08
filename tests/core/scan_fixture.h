// Real folders in a temporary directory, a host that records what the scan
// shows, and ways to read back the tree a scan built.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/resource.h"
#include "platform/folder_listing.h"
#include "support/scripted_host.h"
#include "tree/tree_item.h"

namespace scan_test {

// A host that also keeps every status text of part 0 and the progress calls,
// in the order they came, and lets a test act at each progress call.
class RecordingHost : public ScriptedHost {
 public:
  std::vector<std::string> events;  // "status: <text>" or "progress"
  std::function<void(const std::string& status0)> onProgress;

  void SetStatusText(int part, std::string_view text, UINT flags) override {
    ScriptedHost::SetStatusText(part, text, flags);
    if (part == 0) {
      events.push_back("status: " + std::string(text));
      if (flags != SBT_NOBORDERS) events.push_back("status without SBT_NOBORDERS");
    }
  }
  bool ShowScanProgress(std::string_view, const ScanCounts&) override {
    events.push_back("progress");
    if (onProgress) onProgress(status[0]);
    return true;
  }
};

// A fresh folder, removed with all it holds (permissions given back first).
class Scratch {
 public:
  // Memory: in /dev/shm where it is there, for tests that make many entries
  // (creating files on a disk can cost a quarter of a millisecond each).
  enum class Storage { Disk, Memory };

  explicit Scratch(Storage storage = Storage::Disk) {
    std::string base = ::testing::TempDir();
    if (storage == Storage::Memory && ::access("/dev/shm", W_OK | X_OK) == 0) base = "/dev/shm";
    std::string pattern = (std::filesystem::path(base) / "ztr-scan-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    m_root = pattern;
    ::chmod(m_root.c_str(), 0755);  // a child running as nobody must reach into it
  }
  ~Scratch() {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(m_root, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
      if (!it->is_symlink(ec)) ::chmod(it->path().c_str(), 0755);
    std::filesystem::remove_all(m_root, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& Root() const { return m_root; }
  std::string Path(const std::string& name) const { return m_root + "/" + name; }

  void Dir(const std::string& name, mode_t mode = 0755) const {
    ASSERT_EQ(::mkdir(Path(name).c_str(), mode), 0) << name << ": " << std::strerror(errno);
    ::chmod(Path(name).c_str(), mode);
  }
  // A file of `size` bytes, last written at `mtime` seconds since 1970 UTC,
  // last read at `atime`. Small files get their bytes written (so they are not
  // sparse); large ones only their length.
  void File(const std::string& name, off_t size = 0, time_t mtime = 1046700000,
            time_t atime = 1046700000) const {
    const int fd = ::open(Path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
    ASSERT_EQ(::symlink(target.c_str(), Path(name).c_str()), 0) << std::strerror(errno);
  }

 private:
  std::string m_root;
};

// Sets a time zone for the test's lifetime: CET with its summer time, so
// local times differ from UTC.
class TimeZone {
 public:
  explicit TimeZone(const char* tz) {
    if (const char* old = std::getenv("TZ")) m_old = old, m_hadOld = true;
    ::setenv("TZ", tz, 1);
    ::tzset();
  }
  ~TimeZone() {
    if (m_hadOld)
      ::setenv("TZ", m_old.c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string m_old;
  bool m_hadOld = false;
};
constexpr char kCentralEurope[] = "CET-1CEST,M3.5.0,M10.5.0/3";

// One node as a test compares it.
struct NodeView {
  std::string label;
  int image = -1;
  int selectedImage = -1;
  int state = -1;
  bool hasData = false;
  size_t children = 0;

  bool operator==(const NodeView&) const = default;
};

inline void PrintTo(const NodeView& n, std::ostream* os) {
  *os << "{\"" << n.label << "\" img " << n.image << "/" << n.selectedImage << " state " << n.state
      << (n.hasData ? " data" : "") << " children " << n.children << "}";
}

inline std::vector<HTREEITEM> Children(const CTreeCtrl& tree, HTREEITEM node) {
  std::vector<HTREEITEM> out;
  for (HTREEITEM c = tree.GetChildItem(node); c; c = tree.GetNextSiblingItem(c)) out.push_back(c);
  return out;
}

inline NodeView View(const CTreeCtrl& tree, HTREEITEM node) {
  NodeView v;
  v.label = std::string(tree.GetItemText(node));
  tree.GetItemImage(node, v.image, v.selectedImage);
  v.state = tree.GetStateImage(node);
  v.hasData = tree.GetItemData(node) != nullptr;
  v.children = Children(tree, node).size();
  return v;
}

inline std::vector<std::string> ChildLabels(const CTreeCtrl& tree, HTREEITEM node) {
  std::vector<std::string> out;
  for (HTREEITEM c : Children(tree, node)) out.emplace_back(tree.GetItemText(c));
  return out;
}

// The child whose label starts with `prefix`, or null.
inline HTREEITEM Child(const CTreeCtrl& tree, HTREEITEM node, const std::string& prefix) {
  for (HTREEITEM c : Children(tree, node))
    if (tree.GetItemText(c).substr(0, prefix.size()) == prefix) return c;
  return nullptr;
}

// The name part of a node's label (file labels carry size and time after it).
inline std::string NameOf(const CTreeCtrl& tree, HTREEITEM node) {
  std::string label(tree.GetItemText(node));
  if (tree.GetItemData(node)) label.resize(label.rfind("   "));
  return label;
}

// The order a scan must give a folder's children: subfolders (except those
// whose names start with a dot), then files, each in the listing's order.
inline std::vector<std::string> ExpectedOrder(const std::string& path) {
  int err = 0;
  FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, path.c_str(), err);
  std::vector<std::string> folders, files;
  FolderListing listing(dir.fd());
  FindData entry;
  while (listing.Next(entry)) {
    if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      files.emplace_back(entry.name);
    else if (entry.name[0] != '.')
      folders.emplace_back(entry.name);
  }
  folders.insert(folders.end(), files.begin(), files.end());
  return folders;
}

// Checks what every node of the tree must satisfy after any scan, finished
// or not: a record exactly on file nodes, the images and states a scan gives.
// Returns the number of nodes seen.
inline size_t CheckConsistent(const CTreeCtrl& tree) {
  size_t seen = 0;
  std::vector<HTREEITEM> pending = Children(tree, nullptr);
  while (!pending.empty()) {
    HTREEITEM node = pending.back();
    pending.pop_back();
    ++seen;
    const NodeView v = View(tree, node);
    if (v.hasData) {
      EXPECT_EQ(v.image, 5) << v.label;
      EXPECT_EQ(v.children, 0u) << v.label;
    } else {
      EXPECT_TRUE(v.image >= 0 && v.image <= 4) << v.label;
    }
    EXPECT_TRUE(v.state == 1 || v.state == 4) << v.label;
    for (HTREEITEM c : Children(tree, node)) pending.push_back(c);
  }
  EXPECT_EQ(seen, tree.GetCount());
  return seen;
}

inline int OpenDescriptorCount() {
  int count = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) (void)e, ++count;
  return count;
}

// A frame over a recording host, with a time zone set, scanning real folders.
class ScanFrameTest : public ::testing::Test {
 protected:
  TimeZone zone{kCentralEurope};
  Scratch scratch;
  RecordingHost host;
  MemoryProfile profile;
  CMainFrame frame{host, profile};
  CTreeCtrl& tree = frame.Tree();

  // File New on `path` with the given answers; returns the last top node.
  HTREEITEM Load(const std::string& path, std::vector<int> answers = {}) {
    host.answers.assign(answers.begin(), answers.end());
    host.folders.push_back(path);
    frame.OnCommand(ID_FILE_NEW);
    HTREEITEM last = nullptr;
    for (HTREEITEM t = tree.GetRootItem(); t; t = tree.GetNextSiblingItem(t)) last = t;
    return last;
  }
};

}  // namespace scan_test

namespace scan_test {

// Runs `body` in a forked child and returns what it wrote, or "child failed
// (<status>)". With asNobody, a child running as root first becomes the
// unprivileged user 65534, so that permissions apply to it.
inline std::string RunInChild(bool asNobody, const std::function<std::string()>& body) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return "no pipe";
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipeFds[0]);
    if (asNobody && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
      ::_exit(120);
    std::string out;
    try {
      out = body();
    } catch (...) {
      ::_exit(121);
    }
    for (size_t done = 0; done < out.size();) {
      const ssize_t n = ::write(pipeFds[1], out.data() + done, out.size() - done);
      if (n <= 0) ::_exit(122);
      done += static_cast<size_t>(n);
    }
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, n);
  ::close(pipeFds[0]);
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return "no child";
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return "child failed (" + std::to_string(status) + ")";
  return out;
}

}  // namespace scan_test
