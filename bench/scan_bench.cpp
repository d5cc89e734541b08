// File New on a large generated tree, timed against find walking the same
// tree with one status call per entry; and what the tree costs per node.
//
// Usage: scan_bench [folder]   (default /tmp/ztr-bench-tree, made once)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/main_frame.h"
#include "app/null_frame_host.h"
#include "tree/tree_item.h"

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubfolders = 100;     // in each top folder: 10,000 leaf folders
constexpr int kFilesPerFolder = 20;  // 200,000 files
constexpr int kRuns = 3;

// A window system that shows nothing and answers with the folder to scan.
class NullHost : public NullFrameHost {
 public:
  explicit NullHost(std::string folder) : m_folder(std::move(folder)) {}
  int MessageBox(std::string_view, std::string_view, UINT) override { return IDYES; }
  bool BrowseForFolder(std::string_view, std::string& path) override {
    path = m_folder;
    return true;
  }

 private:
  std::string m_folder;
};

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "scan_bench: %s: %s\n", what.c_str(), std::strerror(errno));
  std::exit(1);
}

void MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail(path);
}

// The tree is made once; a marker beside it says it is complete.
void MakeTree(const std::string& root) {
  const std::string marker = root + ".ready";
  if (access(marker.c_str(), F_OK) == 0) return;
  std::printf("making %d files in %d folders under %s (once)...\n",
              kTopFolders * kSubfolders * kFilesPerFolder, kTopFolders * kSubfolders, root.c_str());
  std::fflush(stdout);
  MakeFolder(root);
  unsigned seed = 12345;
  for (int t = 0; t < kTopFolders; ++t) {
    const std::string top = root + "/top-" + std::to_string(t);
    MakeFolder(top);
    for (int s = 0; s < kSubfolders; ++s) {
      const std::string sub = top + "/folder-" + std::to_string(s);
      MakeFolder(sub);
      const int dir = open(sub.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dir < 0) Fail(sub);
      for (int f = 0; f < kFilesPerFolder; ++f) {
        const std::string name = "document-" + std::to_string(f) + ".txt";
        const int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) Fail(sub + "/" + name);
        seed = seed * 1103515245 + 12345;
        // Sizes and times of all kinds, without writing any data.
        if (ftruncate(fd, seed % 5'000'000) != 0) Fail(name);
        const struct timespec times[2] = {{1'000'000'000 + seed % 300'000'000, 0},
                                          {900'000'000 + seed % 400'000'000, 0}};
        futimens(fd, times);
        close(fd);
      }
      close(dir);
    }
  }
  const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) Fail(marker);
  close(fd);
}

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

double TimeFind(const std::string& root) {
  std::string quoted = "'";
  for (char c : root) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  const std::string command = "find " + quoted + " -printf '%s %T@ %A@ %C@\\n' >/dev/null";
  const auto start = std::chrono::steady_clock::now();
  if (std::system(command.c_str()) != 0) Fail("find");
  return Seconds(std::chrono::steady_clock::now() - start);
}

struct ScanResult {
  double seconds = 0;
  size_t nodes = 0;
  size_t files = 0;
  size_t modelBytes = 0;  // beyond the label text
  size_t labelBytes = 0;
};

ScanResult TimeScan(const std::string& root) {
  NullHost host(root);
  NullProfileStore profile;
  CMainFrame frame(host, profile);
  const auto start = std::chrono::steady_clock::now();
  frame.OnFileNew();
  ScanResult r;
  r.seconds = Seconds(std::chrono::steady_clock::now() - start);

  const CTreeCtrl& tree = frame.Tree();
  r.nodes = tree.GetCount();
  r.modelBytes = tree.MemoryUsage() + CTreeItemData::PoolCapacityBytes();
  // Count files and label text with an explicit stack (the tree is deep).
  std::vector<HTREEITEM> pending{tree.GetRootItem()};
  while (!pending.empty()) {
    HTREEITEM node = pending.back();
    pending.pop_back();
    r.labelBytes += tree.GetItemText(node).size();
    if (tree.GetItemData(node)) ++r.files;
    for (HTREEITEM c = tree.GetChildItem(node); c; c = tree.GetNextSiblingItem(c))
      pending.push_back(c);
  }
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  // A folder named on the command line is timed as it stands and never
  // written to; without one, the generated tree is made (once) and timed.
  const bool generated = argc <= 1;
  const std::string root = generated ? "/tmp/ztr-bench-tree" : argv[1];
  if (generated) MakeTree(root);

  // Warm the caches with one walk of each kind before timing.
  TimeFind(root);
  TimeScan(root);

  double findBest = 1e9;
  ScanResult scanBest;
  scanBest.seconds = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    findBest = std::min(findBest, TimeFind(root));
    const ScanResult r = TimeScan(root);
    if (r.seconds < scanBest.seconds) scanBest = r;
  }

  const double ratio = scanBest.seconds / findBest;
  const double perNode = static_cast<double>(scanBest.modelBytes) / scanBest.nodes;
  std::printf("tree: %s, %zu nodes (%zu files, %zu folders)\n", root.c_str(), scanBest.nodes,
              scanBest.files, scanBest.nodes - scanBest.files);
  std::printf("find -printf (best of %d): %.3f s\n", kRuns, findBest);
  std::printf("File New scan (best of %d): %.3f s\n", kRuns, scanBest.seconds);
  std::printf("ratio scan/find: %.2f (target <= 1.30) %s\n", ratio, ratio <= 1.3 ? "ok" : "OVER");
  std::printf("memory per node beyond the label text: %.1f bytes (target <= 100) %s\n", perNode,
              perNode <= 100 ? "ok" : "OVER");
  std::printf("label text per node: %.1f bytes\n",
              static_cast<double>(scanBest.labelBytes) / scanBest.nodes);
  return 0;
}
