// One million nodes in the tree control, shaped like a disk (folders of 20
// files): insert, walk, delete. Prints nanoseconds and bytes per node.
#include <chrono>
#include <cstdio>
#include <string>

#include "app/main_frame.h"
#include "app/null_frame_host.h"
#include "tree/tree_item.h"

namespace {

struct Counter : CMainFrame {
  using CMainFrame::CMainFrame;
  size_t visited = 0;
  void Count(HTREEITEM, int, void*) { ++visited; }
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main() {
  constexpr size_t kNodes = 1'000'000;
  constexpr int kFilesPerFolder = 20;
  NullFrameHost host;
  NullProfileStore profile;
  Counter frame(host, profile);
  CTreeCtrl& tree = frame.Tree();

  auto start = std::chrono::steady_clock::now();
  size_t labelBytes = 0;
  HTREEITEM top = tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE,
                                  "/srv/data", 0, 0, 0x1000, 0xF000, nullptr, TVI_ROOT, TVI_LAST);
  size_t count = 1;
  std::string label;
  for (int f = 0; count < kNodes; ++f) {
    // Folders three levels deep under the top, each with 20 files.
    HTREEITEM parent = top;
    for (int depth = 0; depth < 3 && count < kNodes; ++depth) {
      label = "folder-" + std::to_string(f) + "-" + std::to_string(depth);
      labelBytes += label.size();
      parent = tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE, label, 1,
                               2, 0x1000, 0xF000, nullptr, parent, TVI_FIRST);
      ++count;
      for (int i = 0; i < kFilesPerFolder && count < kNodes; ++i, ++count) {
        label = "document-" + std::to_string(i) + ".txt   12345 bytes, 01/02/2003-10:30";
        labelBytes += label.size();
        auto* data = new CTreeItemData;
        data->m_nFileSize = 12345;
        tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM,
                        label, 5, 5, 0x1000, 0xF000, data, parent, TVI_LAST);
      }
    }
  }
  const double insert = Seconds(start);
  const size_t bytes = tree.MemoryUsage() + CTreeItemData::PoolCapacityBytes();

  start = std::chrono::steady_clock::now();
  frame.WalkTree(nullptr, 0, static_cast<CMainFrame::NodeStep<void*>>(&Counter::Count), nullptr,
                 true);
  const double walk = Seconds(start);

  start = std::chrono::steady_clock::now();
  tree.DeleteAllItems();
  const double remove = Seconds(start);

  std::printf("tree control, %zu nodes (folders of %d files), %zu label bytes\n", count,
              kFilesPerFolder, labelBytes);
  std::printf("  insert  %7.1f ns/node\n", insert * 1e9 / count);
  std::printf("  walk    %7.1f ns/node (%zu visited)\n", walk * 1e9 / count, frame.visited);
  std::printf("  delete  %7.1f ns/node\n", remove * 1e9 / count);
  std::printf(
      "  memory  %7.1f bytes/node beyond the label text (peer: ncdu 2 ~43, QDirStat ~140)\n",
      double(bytes) / count);
  return frame.visited == count ? 0 : 1;
}
