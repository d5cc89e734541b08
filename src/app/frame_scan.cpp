// File New: loading a folder's whole directory tree as a new top-level branch.
#include "app/main_frame.h"
#include "tree/scan_nodes.h"
#include "tree/scan_walker.h"
#include "tree/tree_scan_sink.h"

namespace {

// The scan's progress as the frame shows it: the folder's name in status
// part 0, and the rest to the window system, which may ask to stop.
class HostScanProgress : public ScanProgress {
 public:
  explicit HostScanProgress(FrameHost& host) : m_host(host) {}
  void FolderStarted(std::string_view name, std::string_view) override {
    m_text.assign("Loading folder: ");
    m_text.append(name);
    m_host.SetStatusText(0, m_text, SBT_NOBORDERS);
  }
  bool StopRequested(std::string_view path, const ScanCounts& counts) override {
    return !m_host.ShowScanProgress(path, counts);
  }

 private:
  FrameHost& m_host;
  std::string m_text;
};

}  // namespace

void CMainFrame::OnFileNew() {
  CTreeCtrl& tree = *m_pTreeCtrl;
  if (tree.GetCount() > 0) {
    const int answer = m_host.MessageBox("Add to current tree?", "Load Directory Tree",
                                         MB_YESNO | MB_ICONQUESTION);
    // A box closed without either answer loses nothing.
    if (answer != IDYES && answer != IDNO) return;
    if (answer == IDNO) {
      if (!QuerySaveTree()) return;
      // Each deletion notice frees its record and takes a marked file out of
      // the totals, so they are 0 again without a reset.
      tree.DeleteItem(TVI_ROOT);
      UpdateSelectionStatus();
      UpdateCaption(nullptr);
    }
  }

  std::string path;
  if (!BrowseForFolder("Select Folder to Load", path)) return;

  CWaitCursor wait(m_host);
  HTREEITEM node =
      tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, path, kChosenFolderImages.image,
                      kChosenFolderImages.selectedImage, 0, 0, nullptr, TVI_ROOT, TVI_LAST);
  if (node) {
    tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK);
    try {
      ScanFolder(path.c_str(), node);
      tree.Expand(node, TVE_EXPAND);
    } catch (const ScanCancelled&) {
      // The whole new branch goes: the tree is as the question left it. Its
      // nodes were never marked, so the totals do not move.
      tree.DeleteItem(node);
    }
  }
  m_host.SetStatusText(0, "Ready", SBT_NOBORDERS);
  UpdateSelectionStatus();
}

bool CMainFrame::BrowseForFolder(const char* title, std::string& path) {
  return m_host.BrowseForFolder(title, path);
}

// The top of the scan. The descent below it goes by folder descriptors inside
// the scanner, so subfolders are never entered as the current directory.
// Throws ScanCancelled when the user stops it.
void CMainFrame::ScanFolder(const char* folder, HTREEITEM node) {
  HostScanProgress progress(m_host);
  TreeScanSink sink(*m_pTreeCtrl, node);
  FolderScanner(sink, progress).Scan(folder);
}
