// File New: loading a folder's whole directory tree as a new top-level branch.
#include "app/main_frame.h"
#include "tree/scan_nodes.h"
#include "tree/scan_walker.h"

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
    ScanFolder(path.c_str(), node);
    tree.Expand(node, TVE_EXPAND);
  }
  m_host.SetStatusText(0, "Ready", SBT_NOBORDERS);
  UpdateSelectionStatus();
}

bool CMainFrame::BrowseForFolder(const char* title, std::string& path) {
  return m_host.BrowseForFolder(title, path);
}

// The top of the scan. The descent below it goes by folder descriptors inside
// the scanner, so subfolders are never named by path or entered as the
// current directory.
void CMainFrame::ScanFolder(const char* folder, HTREEITEM node) {
  FolderScanner(*m_pTreeCtrl, m_host).Scan(folder, node);
}
