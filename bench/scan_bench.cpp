// File New on a large generated tree, timed against find walking the same
// tree with one status call per entry; and what the tree costs per node.
// Then ztr-tool scan -o, which writes while it scans, beside the same find:
// time and peak memory, on that tree and on one of two million files.
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
#include "bench_support.h"
#include "tree/tree_item.h"

namespace {

constexpr bench::TreeShape kBenchTree{100, 100, 20};   // 10,000 leaf folders, 200,000 files
constexpr bench::TreeShape kLargeTree{100, 100, 200};  // 2,000,000 files
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

[[noreturn]] void Fail(const std::string& what) { bench::Fail("scan_bench", what); }

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

// ztr-tool scan -o streams its records: its peak memory must not grow with
// the tree. Both programs' peaks come from the kernel's accounting of each.
void CompareToolScan(const std::string& root, int runs) {
  const std::string out = "/tmp/ztr-scan-bench.ztr";
  const std::vector<std::string> find = {"find", root, "-printf", "%s %T@ %A@ %C@\n"};
  const std::vector<std::string> scan = {ZTR_TOOL_PATH, "scan", "-o", out, root};
  bench::RunProgram(find);  // once untimed, so both find the same caches
  const bench::Run findRun = bench::BestOf(find, runs);
  const bench::Run scanRun = bench::BestOf(scan, runs);
  std::remove(out.c_str());
  std::printf("%s (best of %d):\n", root.c_str(), runs);
  bench::PrintRun("find -printf (size, three times)", findRun);
  bench::PrintRun("ztr-tool scan -o FILE", scanRun);
  const double ratio = scanRun.seconds / findRun.seconds;
  std::printf("  ratio scan/find: %.2f (target <= 1.0) %s; peak %.1f MiB (target <= 16) %s\n",
              ratio, ratio <= 1.0 ? "ok" : "OVER", scanRun.peakKiB / 1024.0,
              scanRun.peakKiB <= 16 * 1024 ? "ok" : "OVER");
}

}  // namespace

int main(int argc, char** argv) {
  // A folder named on the command line is timed as it stands and never
  // written to; without one, the generated tree is made (once) and timed.
  const bool generated = argc <= 1;
  const std::string root = generated ? "/tmp/ztr-bench-tree" : argv[1];
  if (generated) bench::MakeTree(root, kBenchTree);

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

  CompareToolScan(root, kRuns);
  if (generated) {
    const std::string large = "/tmp/ztr-bench-2m-tree";
    bench::MakeTree(large, kLargeTree);
    CompareToolScan(large, 1);
  }
  return 0;
}
