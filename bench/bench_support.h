// What the benchmarks share: running a program (ours or a peer) with its
// wall time and peak memory, and a catalogue of a disk's worth of labels.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "files/catalogue_file.h"
#include "tree/tree_item.h"

namespace bench {

constexpr int kRuns = 3;
constexpr int kFilesPerFolder = 20;

inline double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

struct Run {
  double seconds = 0;
  int status = -1;
  std::string err;
  long peakKiB = 0;       // the child's peak resident memory
  double cpuSeconds = 0;  // user and system time: fair on a busy machine
};

// Runs a program with stdout to a file (or /dev/null) and stderr collected;
// the wall time includes starting the process, as a user would see it. The
// peak memory is the kernel's accounting of the program alone, as
// /usr/bin/time reports it: a child started from this process would count
// this process's pages in its peak until it runs the program.
inline Run RunProgram(const std::vector<std::string>& args,
                      const std::string& stdoutPath = "/dev/null") {
  const std::filesystem::path temp = std::filesystem::temp_directory_path();
  // Named after this process: benches of other checkouts may run at the same time.
  const std::string stem = (temp / "ztr-bench-").string() + std::to_string(::getpid());
  const std::string errPath = stem + ".err", peakPath = stem + ".peak";
  const auto start = std::chrono::steady_clock::now();
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, stdoutPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<std::string> copies = {"/usr/bin/time", "-f", "%M", "-o", peakPath};
  copies.insert(copies.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : copies) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, argv[0], &files, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&files);
  if (spawned != 0) return Run{};
  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);  // the times of time's child, which it waited for
  Run run;
  run.seconds = Seconds(start);
  run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto readAll = [](const std::string& path) {
    std::string text;
    if (FILE* f = std::fopen(path.c_str(), "r")) {
      char buffer[4096];
      size_t n;
      while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
      std::fclose(f);
    }
    std::filesystem::remove(path);
    return text;
  };
  run.err = readAll(errPath);
  // The last line is the peak; a program killed by a signal has a note before it.
  const std::string peak = readAll(peakPath);
  const size_t lastLine = peak.find_last_of('\n', peak.size() > 1 ? peak.size() - 2 : 0);
  run.peakKiB = std::atol(peak.c_str() + (lastLine == std::string::npos ? 0 : lastLine + 1));
  return run;
}

// One line of figures: wall and cpu time, peak memory.
inline void PrintRun(const char* what, const Run& run) {
  std::printf("  %-48s %7.3f s wall %7.3f s cpu %7.1f MiB peak\n", what, run.seconds,
              run.cpuSeconds, run.peakKiB / 1024.0);
}

// The fastest of `runs` runs.
inline Run BestOf(const std::vector<std::string>& args, int runs = kRuns) {
  Run best;
  for (int i = 0; i < runs; ++i) {
    Run run = RunProgram(args);
    if (i == 0 || run.seconds < best.seconds) best = std::move(run);
  }
  return best;
}

// A generated folder on disk: top folders of subfolders of files.
struct TreeShape {
  int topFolders;
  int subfolders;      // in each top folder
  int filesPerFolder;  // in each subfolder
};

// Ends the bench with what failed and the system's reason.
[[noreturn]] inline void Fail(const char* bench, const std::string& what) {
  std::fprintf(stderr, "%s: %s: %s\n", bench, what.c_str(), std::strerror(errno));
  std::exit(1);
}

inline void MakeFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0755) != 0 && errno != EEXIST) Fail("bench", path);
}

// The tree is made once; a marker beside it says it is complete.
inline void MakeTree(const std::string& root, const TreeShape& shape) {
  const std::string marker = root + ".ready";
  if (access(marker.c_str(), F_OK) == 0) return;
  std::printf("making %d files in %d folders under %s (once)...\n",
              shape.topFolders * shape.subfolders * shape.filesPerFolder,
              shape.topFolders * shape.subfolders, root.c_str());
  std::fflush(stdout);
  MakeFolder(root);
  unsigned seed = 12345;
  for (int t = 0; t < shape.topFolders; ++t) {
    const std::string top = root + "/top-" + std::to_string(t);
    MakeFolder(top);
    for (int s = 0; s < shape.subfolders; ++s) {
      const std::string sub = top + "/folder-" + std::to_string(s);
      MakeFolder(sub);
      const int dir = open(sub.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (dir < 0) Fail("bench", sub);
      for (int f = 0; f < shape.filesPerFolder; ++f) {
        const std::string name = "document-" + std::to_string(f) + ".txt";
        const int fd = openat(dir, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) Fail("bench", sub + "/" + name);
        seed = seed * 1103515245 + 12345;
        // Sizes and times of all kinds, without writing any data.
        if (ftruncate(fd, seed % 5'000'000) != 0) Fail("bench", name);
        const struct timespec times[2] = {{1'000'000'000 + seed % 300'000'000, 0},
                                          {900'000'000 + seed % 400'000'000, 0}};
        futimens(fd, times);
        close(fd);
      }
      close(dir);
    }
  }
  const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) Fail("bench", marker);
  close(fd);
}

// A disk's worth of labels: camera pictures, office files, source code, music.
class LabelMaker {
 public:
  std::string Folder(int n) {
    static const char* const kWords[] = {"Projects", "photos",   "Backup", "src",  "Music",
                                         "2019",     "invoices", "drafts", "Work", "old",
                                         "build",    "Holiday",  "scans",  "lib",  "Archive"};
    return std::string(kWords[m_random() % std::size(kWords)]) + "-" + std::to_string(n);
  }
  std::string File(int n, int64_t size) {
    static const char* const kStems[] = {"IMG_", "report-q", "main", "invoice_", "track ", "notes",
                                         "Scan ", "utils", "DSC0", "budget", "letter", "README",
                                         "index", "thesis-v", "config",
                                         // accented names, in UTF-8 and from an old Windows
                                         // catalogue (Windows-1252)
                                         "B\xc3\xbc"
                                         "cher ",
                                         "\xc4rger_"};
    static const char* const kExts[] = {".jpg", ".docx", ".cpp",  ".pdf", ".mp3",  ".txt",
                                        ".png", ".h",    ".xlsx", ".md",  ".html", ".json"};
    const unsigned day = 1 + m_random() % 28, month = 1 + m_random() % 12;
    const unsigned year = 1998 + m_random() % 26, hour = m_random() % 24, minute = m_random() % 60;
    char when[32];
    std::snprintf(when, sizeof when, "%02u/%02u/%04u-%02u:%02u", day, month, year, hour, minute);
    return std::string(kStems[m_random() % std::size(kStems)]) + std::to_string(n) +
           kExts[m_random() % std::size(kExts)] + "   " + std::to_string(size) + " bytes, " + when;
  }

 private:
  std::mt19937 m_random{20030415};
};

// Folders of 20 files, three levels below the top, written with the
// window's own Save.
size_t BuildCatalogue(const std::string& path, size_t nodes, int filesPerFolder);

// The same in a child process, so this one stays small: a child's peak
// memory starts from its parent's.
inline bool BuildCatalogueApart(const std::string& path, size_t nodes) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(BuildCatalogue(path, nodes, kFilesPerFolder) == nodes ? 0 : 1);
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline size_t BuildCatalogue(const std::string& path, size_t nodes, int filesPerFolder) {
  FreeRecordsOnDelete records;
  CTreeCtrl tree;
  tree.SetNotifyTarget(&records);
  constexpr UINT kFolderMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
  HTREEITEM top = tree.InsertItem(kFolderMask, "/srv/archive", 0, 0, 0x1000, 0xF000, nullptr,
                                  TVI_ROOT, TVI_LAST);
  LabelMaker labels;
  size_t count = 1;
  for (int f = 0; count < nodes; ++f) {
    HTREEITEM parent = top;
    for (int depth = 0; depth < 3 && count < nodes; ++depth, ++count) {
      parent = tree.InsertItem(kFolderMask, labels.Folder(f), 1, 2, 0x1000, 0xF000, nullptr, parent,
                               TVI_LAST);
      for (int i = 0; i < filesPerFolder && count + 1 < nodes; ++i, ++count) {
        auto* data = new CTreeItemData;
        data->m_nFileSize = 1000 + i * 7919;
        data->m_dwAttributes = FILE_ATTRIBUTE_ARCHIVE;
        tree.InsertItem(kFolderMask | TVIF_PARAM, labels.File(i, data->m_nFileSize), 5, 5, 0x1000,
                        0xF000, data, parent, TVI_LAST);
      }
    }
  }
  if (SaveTreeFile(path, tree, nullptr)) return 0;
  return tree.GetCount();
}

}  // namespace bench
