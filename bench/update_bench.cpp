// ztr-tool update of a catalogue of a million nodes whose folder changed in
// 1% of its files (a third grown, a third gone, a third renamed), beside
// File New and Save of the same folder (as the window does them, in a
// process of its own), ztr-tool scan -o (which saves as it scans), ncdu scanning it
// into an export, and diff of the catalogue with itself (two catalogues held
// in memory at once). Best of 3; the peak memory of each run beside its time.
//
// Usage: update_bench [folder]   (default /tmp/ztr-bench-1m-tree, made once)
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_support.h"
#include "cli/terminal_progress.h"
#include "tree/tree_scan_sink.h"

namespace {

namespace fs = std::filesystem;

// 100 x 100 folders of 99 files: 1,000,101 nodes with the top.
constexpr bench::TreeShape kTree{100, 100, 99};

[[noreturn]] void Fail(const std::string& what) { bench::Fail("update_bench", what); }

// File New and Save as the window does them (the whole tree built, then
// written), in a child process of its own: its wall and cpu time, and its
// peak memory, that of one catalogue held in a tree.
bench::Run ScanAndSave(const std::string& root, const std::string& out) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = ::fork();
  if (pid == 0) {
    FreeRecordsOnDelete records;
    CTreeCtrl tree;
    tree.SetNotifyTarget(&records);
    TerminalProgress none(false);
    const bool ok = ScanIntoTree(root, tree, none) != nullptr && !SaveTreeFile(out, tree, nullptr);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  bench::Run run;
  run.seconds = bench::Seconds(start);
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peakKiB = usage.ru_maxrss;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

// Every hundredth file changes; Undo puts each back as it was, so the folder
// made once serves every run.
class OnePercentChange {
 public:
  explicit OnePercentChange(std::string root) : m_root(std::move(root)) {}

  size_t Apply() {
    bench::MakeFolder(m_root + ".held");
    size_t index = 0;
    for (int t = 0; t < kTree.topFolders; ++t) {
      for (int s = 0; s < kTree.subfolders; ++s) {
        const std::string folder =
            m_root + "/top-" + std::to_string(t) + "/folder-" + std::to_string(s) + "/";
        for (int f = 0; f < kTree.filesPerFolder; ++f, ++index) {
          if (index % 100 != 0) continue;
          const std::string name = folder + "document-" + std::to_string(f) + ".txt";
          struct stat st {};
          if (::stat(name.c_str(), &st) != 0) Fail(name);
          m_changed.push_back(
              {name, st.st_size, st.st_mtim, static_cast<int>(index / 100 % 3), index});
          switch (m_changed.back().kind) {
            case 0:
              if (::truncate(name.c_str(), st.st_size + 4096) != 0) Fail(name);
              break;
            case 1:
              if (::rename(name.c_str(), Held(index).c_str()) != 0) Fail(name);
              break;
            default:
              if (::rename(name.c_str(), (folder + "renamed-" + std::to_string(f)).c_str()) != 0)
                Fail(name);
          }
        }
      }
    }
    return m_changed.size();
  }

  void Undo() {
    for (const Changed& c : m_changed) {
      const std::string folder = c.path.substr(0, c.path.rfind('/') + 1);
      const std::string file = c.path.substr(folder.size());
      const std::string number = file.substr(9, file.size() - 13);  // document-N.txt
      if (c.kind == 1) fs::rename(Held(c.index), c.path);
      if (c.kind == 2) fs::rename(folder + "renamed-" + number, c.path);
      if (::truncate(c.path.c_str(), c.size) != 0) Fail(c.path);
      const timespec times[2] = {c.lastWrite, c.lastWrite};
      ::utimensat(AT_FDCWD, c.path.c_str(), times, 0);
    }
    m_changed.clear();
  }

 private:
  struct Changed {
    std::string path;
    off_t size;
    timespec lastWrite;
    int kind;  // 0 grown, 1 gone (kept outside the folder), 2 renamed
    size_t index;
  };
  // Where a file that is gone is kept until it comes back.
  std::string Held(size_t index) const { return m_root + ".held/" + std::to_string(index); }
  std::string m_root;
  std::vector<Changed> m_changed;
};

}  // namespace

int main(int argc, char** argv) {
  const std::string root = argc > 1 ? argv[1] : "/tmp/ztr-bench-1m-tree";
  if (!fs::exists(root + ".ready")) {  // what a stopped run left
    fs::remove_all(root);
    fs::remove_all(root + ".held");
  }
  bench::MakeTree(root, kTree);
  std::string folder = (fs::temp_directory_path() / "ztr-update-bench-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) Fail(folder);
  const std::string tool = ZTR_TOOL_PATH;
  const std::string before = folder + "/before.ztr", work = folder + "/work.ztr";

  const bench::Run scan = bench::BestOf({tool, "scan", "--quiet", "-o", before, root});
  const bench::Run ncdu = bench::BestOf({"ncdu", "-0", "-x", "-o", folder + "/ncdu.json", root});
  const bench::Run twoHeld = bench::BestOf({tool, "diff", before, before});
  bench::Run windowScan;
  for (int i = 0; i < bench::kRuns; ++i) {
    bench::Run run = ScanAndSave(root, folder + "/window.ztr");
    if (i == 0 || run.seconds < windowScan.seconds) windowScan = run;
  }
  // The folder's marker goes while it is changed: a bench stopped half-way
  // leaves a folder that the next run makes again.
  const std::string marker = root + ".ready";
  fs::remove(marker);
  OnePercentChange change(root);
  const size_t changed = change.Apply();
  bench::Run update;
  for (int i = 0; i < bench::kRuns; ++i) {
    fs::copy_file(before, work, fs::copy_options::overwrite_existing);
    bench::Run run = bench::RunProgram({tool, "update", work});
    if (i == 0 || run.seconds < update.seconds) update = std::move(run);
  }
  change.Undo();
  std::FILE* ready = std::fopen(marker.c_str(), "w");
  if (ready != nullptr) std::fclose(ready);

  std::printf("ztr-tool update of a catalogue of %d nodes (%.1f MB), %zu files changed on disk\n",
              1 + kTree.topFolders * (1 + kTree.subfolders * (1 + kTree.filesPerFolder)),
              fs::file_size(before) / 1e6, changed);
  bench::PrintRun("File New + Save (the tree built, then saved)", windowScan);
  bench::PrintRun("ztr-tool scan -o (saved while it scans)", scan);
  bench::PrintRun("update", update);
  bench::PrintRun("diff CATALOGUE CATALOGUE (two held at once)", twoHeld);
  bench::PrintRun("peer: ncdu -0 -x -o export", ncdu);
  std::printf(
      "  update against File New + Save: %.2fx the time, %.2fx the cpu (target at most 1.3x);\n"
      "  against ztr-tool scan -o: %.2fx the time, %.2fx the cpu\n"
      "  peak memory %.2fx that of one catalogue in a tree (target at most 2x of one in the\n"
      "  window, which holds more), %.2fx that of diff holding two\n",
      update.seconds / windowScan.seconds, update.cpuSeconds / windowScan.cpuSeconds,
      update.seconds / scan.seconds, update.cpuSeconds / scan.cpuSeconds,
      static_cast<double>(update.peakKiB) / static_cast<double>(windowScan.peakKiB),
      static_cast<double>(update.peakKiB) / static_cast<double>(twoHeld.peakKiB));
  std::printf("  %s", update.err.c_str());
  fs::remove_all(folder);
  const bool ok = scan.status == 0 && windowScan.status == 0 && update.status == 1 &&
                  twoHeld.status == 0 && ncdu.status == 0;
  if (!ok) std::fprintf(stderr, "update_bench: a run failed\n%s", update.err.c_str());
  return ok ? 0 : 1;
}
