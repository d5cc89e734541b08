#include "tree/tree_scan_sink.h"

#include <memory>

#include "tree/scan_walker.h"
#include "tree/tree_item.h"

namespace {
constexpr UINT kInsertMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM;
}  // namespace

void TreeScanSink::Add(const ScannedNode& node) {
  if (!m_bTopSeen && m_top != nullptr) {
    m_bTopSeen = true;
    if (node.label != m_tree.GetItemText(m_top)) m_tree.SetItemText(m_top, node.label);
    m_tree.SetItemState(m_top, INDEXTOSTATEIMAGEMASK(node.stateImage), TVIS_STATEIMAGEMASK);
    if (node.hasChildren) m_parents.push_back(m_top);
    return;
  }
  HTREEITEM parent = m_bTopSeen ? m_parents.back() : TVI_ROOT;
  m_bTopSeen = true;
  HTREEITEM child = nullptr;
  if (parent != nullptr) {
    // Owned here until the node takes it, so a refused insertion cannot
    // leak it. Subfolders arrive before files, so appending keeps the order.
    std::unique_ptr<CTreeItemData> record;
    if (node.record) record = std::make_unique<CTreeItemData>(*node.record);
    child = m_tree.InsertItem(kInsertMask, node.label, node.images.image, node.images.selectedImage,
                              INDEXTOSTATEIMAGEMASK(node.stateImage), TVIS_STATEIMAGEMASK,
                              record.get(), parent, TVI_LAST);
    if (child) record.release();
  }
  if (node.hasChildren) m_parents.push_back(child);
}

void TreeScanSink::EndChildren() { m_parents.pop_back(); }

HTREEITEM ScanIntoTree(const std::string& folder, CTreeCtrl& tree, ScanProgress& progress) {
  HTREEITEM node = tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, folder,
                                   kChosenFolderImages.image, kChosenFolderImages.selectedImage, 0,
                                   0, nullptr, TVI_ROOT, TVI_LAST);
  if (!node) return nullptr;
  tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK);
  try {
    TreeScanSink sink(tree, node);
    FolderScanner(sink, progress).Scan(folder.c_str());
  } catch (...) {
    tree.DeleteItem(node);
    throw;
  }
  tree.Expand(node, TVE_EXPAND);
  return node;
}
