// Update from Disk in the real window (offscreen) on a folder of 200,000
// files in 10,100 folders, 1% of whose files changed since the scan, timed
// against File New of the same folder. The window must paint throughout:
// the longest time the event loop went unserved during each is printed too.
//
// Usage: view_update_bench [folder]   (default /tmp/ztr-update-bench-tree, made once;
//                                      its files' times are changed by the bench)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

#include "gui/changes_window.h"
#include "gui/main_window.h"
#include "gui/qt_profile_store.h"
#include "tree/scan_nodes.h"

namespace {

constexpr int kTops = 100, kSubs = 100, kFiles = 20;
constexpr int kChangeEvery = 100;  // 1% of the files
constexpr int kRuns = 3;

std::string FilePath(const std::string& root, int t, int s, int f) {
  return root + "/top-" + std::to_string(t) + "/folder-" + std::to_string(s) + "/file-" +
         std::to_string(f) + ".dat";
}

// Empty files of every size (nothing is written), made once.
bool MakeTree(const std::string& root) {
  const std::string marker = root + ".ready";
  if (access(marker.c_str(), F_OK) == 0) return true;
  std::printf("making %d files under %s (once)...\n", kTops * kSubs * kFiles, root.c_str());
  std::fflush(stdout);
  mkdir(root.c_str(), 0755);
  for (int t = 0; t < kTops; ++t) {
    mkdir((root + "/top-" + std::to_string(t)).c_str(), 0755);
    for (int s = 0; s < kSubs; ++s) {
      mkdir((root + "/top-" + std::to_string(t) + "/folder-" + std::to_string(s)).c_str(), 0755);
      for (int f = 0; f < kFiles; ++f) {
        const int fd = open(FilePath(root, t, s, f).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0 || ftruncate(fd, (t * 7919 + s * 104729 + f * 31) % 5'000'000) != 0)
          return false;
        close(fd);
      }
    }
  }
  const int fd = open(marker.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) close(fd);
  return fd >= 0;
}

// Gives every hundredth file a last-write time of its own for this run.
int ChangeFiles(const std::string& root, int run) {
  int changed = 0, n = 0;
  for (int t = 0; t < kTops; ++t)
    for (int s = 0; s < kSubs; ++s)
      for (int f = 0; f < kFiles; ++f)
        if (n++ % kChangeEvery == 0) {
          const struct timespec times[2] = {{0, UTIME_OMIT}, {1'600'000'000 + run, 0}};
          changed += utimensat(AT_FDCWD, FilePath(root, t, s, f).c_str(), times, 0) == 0;
        }
  return changed;
}

struct Timing {
  double seconds = 0;
  double longestGap = 0;  // the longest wait of a 10 ms timer, in seconds
};

// Times `run` while a timer asks the event loop every 10 ms.
Timing Time(const std::function<void()>& run) {
  QElapsedTimer clock, sinceTick;
  double longest = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] {
    longest = std::max(longest, sinceTick.nsecsElapsed() / 1e9);
    sinceTick.start();
  });
  ticker.start(10);
  clock.start();
  sinceTick.start();
  run();
  longest = std::max(longest, sinceTick.nsecsElapsed() / 1e9);
  return {clock.nsecsElapsed() / 1e9, longest};
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const std::string root = argc > 1 ? argv[1] : "/tmp/ztr-update-bench-tree";
  if (argc <= 1 && !MakeTree(root)) {
    std::perror(root.c_str());
    return 1;
  }
  QTemporaryDir dir;
  QtProfileStore profile(dir.filePath("ZTR.conf"));
  MainWindow window(profile);
  window.show();
  CMainFrame& frame = window.Frame();
  CTreeCtrl& tree = frame.Tree();

  Timing bestNew{1e9, 0}, bestUpdate{1e9, 0};
  size_t nodes = 0, changes = 0;
  int changedFiles = 0;
  for (int run = 0; run <= kRuns; ++run) {  // run 0 warms the caches
    tree.DeleteAllItems();
    const Timing fileNew = Time([&] {
      // File New after its folder dialog.
      CWaitCursor wait(window);
      HTREEITEM top = tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, root,
                                      kChosenFolderImages.image, kChosenFolderImages.selectedImage,
                                      0, 0, nullptr, TVI_ROOT, TVI_LAST);
      tree.SetItemState(top, INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK);
      frame.ScanFolder(root.c_str(), top);
      tree.Expand(top, TVE_EXPAND);
    });
    nodes = tree.GetCount();
    frame.ToggleSelect(tree.GetRootItem());  // every file marked, so every mark is carried
    changedFiles = ChangeFiles(root, run);
    const Timing update = Time([&] { frame.UpdateFromDisk(tree.GetRootItem()); });
    changes = window.Changes() ? window.Changes()->Rows().RowCount() : 0;
    if (run == 0) continue;
    if (fileNew.seconds < bestNew.seconds) bestNew = fileNew;
    if (update.seconds < bestUpdate.seconds) bestUpdate = update;
  }
  frame.m_bModified = false;

  const double ratio = bestUpdate.seconds / bestNew.seconds;
  std::printf("the window (offscreen), %s: %zu nodes, %d files changed, %zu rows of changes\n",
              root.c_str(), nodes, changedFiles, changes);
  std::printf("  %-34s %7.3f s   longest unserved %5.3f s\n", "File New (best of 3)",
              bestNew.seconds, bestNew.longestGap);
  std::printf("  %-34s %7.3f s   longest unserved %5.3f s\n", "Update from Disk (best of 3)",
              bestUpdate.seconds, bestUpdate.longestGap);
  std::printf(
      "  ratio update/new: %.2f (target <= 1.30) %s; painted throughout (gap <= 0.25 s) %s\n",
      ratio, ratio <= 1.3 ? "ok" : "OVER", bestUpdate.longestGap <= 0.25 ? "ok" : "OVER");
  return changes == static_cast<size_t>(changedFiles) ? 0 : 1;
}
