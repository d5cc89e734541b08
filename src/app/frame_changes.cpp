// Update from Disk and Compare with Tree File: a branch scanned again where
// its folder is now, and the tree set beside a catalogue; both end in the
// Changes window.
#include <string>
#include <utility>

#include "app/main_frame.h"
#include "compare/carry_marks.h"
#include "compare/change_list.h"
#include "compare/tree_compare.h"
#include "files/catalogue_file.h"
#include "files/file.h"
#include "interop/ncdu_to_catalogue.h"
#include "tree/display_path.h"
#include "tree/file_label.h"
#include "tree/scan_progress.h"
#include "tree/tree_item.h"

namespace {

constexpr char kUpdateCaption[] = "Update from Disk";

// Where a folder node's folder is on the disk: the labels above it and its
// own name (without the reason it could not be entered, if any).
std::string FolderPathOf(const CTreeCtrl& tree, HTREEITEM node) {
  std::string path;
  AppendParentPath(tree, node, path);
  path.append(CompareName(tree, node));
  return path;
}

// A freshly scanned branch leaves the tree again however the update ends,
// unless it took the old branch's place.
class PendingBranch {
 public:
  PendingBranch(CTreeCtrl& tree, HTREEITEM node) : m_tree(tree), m_node(node) {}
  ~PendingBranch() {
    if (m_node != nullptr) m_tree.DeleteItem(m_node);
  }
  PendingBranch(const PendingBranch&) = delete;
  PendingBranch& operator=(const PendingBranch&) = delete;
  HTREEITEM Keep() { return std::exchange(m_node, nullptr); }

 private:
  CTreeCtrl& m_tree;
  HTREEITEM m_node;
};

}  // namespace

void CMainFrame::UpdateFromDisk(HTREEITEM node) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  if (tree.GetItemData(node) != nullptr) return;  // a file: the menu greys the entry
  const std::string path = FolderPathOf(tree, node);
  const std::string label(CompareName(tree, node));

  ChangeList changes;
  {
    CWaitCursor wait(m_host);
    int image = 0, selectedImage = 0;
    tree.GetItemImage(node, image, selectedImage);
    // The new branch is read in beside the old one, which stays whole until
    // the scan has ended: Cancel then only takes the new one away.
    HTREEITEM parent = tree.GetParentItem(node);
    HTREEITEM fresh =
        tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE, path, image, selectedImage, 0,
                        0, nullptr, parent != nullptr ? parent : TVI_ROOT, node);
    if (fresh == nullptr) return;
    PendingBranch pending(tree, fresh);
    tree.SetItemState(fresh, INDEXTOSTATEIMAGEMASK(kStateUnmarked), TVIS_STATEIMAGEMASK);
    try {
      ScanFolder(path.c_str(), fresh);
    } catch (const ScanCancelled&) {
      m_host.SetStatusText(0, "Ready", SBT_NOBORDERS);
      return;
    }
    m_host.SetStatusText(0, "Ready", SBT_NOBORDERS);
    if (IsUnreadableFolder(tree, fresh)) {
      const std::string reason(SplitUnreadableLabel(tree.GetItemText(fresh)).reason);
      m_host.MessageBox(path + "\nThe folder cannot be read now (" + reason +
                            "), so its branch is kept as it was.",
                        kUpdateCaption, MB_OK | MB_ICONEXCLAMATION);
      return;
    }
    // Named as the old node before the comparison, whose paths run through
    // the folders above it.
    tree.SetItemText(fresh, label);
    // One comparison finds the changes and carries the marks over. The
    // marks count at once, so that the new branch's deletion notices take
    // out exactly what was put in, should it not be kept.
    const MarkedTotals marked = CarryMarks(tree, node, tree, fresh, CollectChanges(changes));
    m_nMarkedFiles += static_cast<int32_t>(marked.files);
    m_nMarkedBytes = static_cast<int64_t>(static_cast<uint64_t>(m_nMarkedBytes) +
                                          static_cast<uint64_t>(marked.bytes));
    if (changes.Empty()) {
      m_host.SetStatusText(0, "No changes: " + path, SBT_NOBORDERS);
      return;
    }
    const bool wasOpen = (tree.GetItemState(node, TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
    HTREEITEM selected = tree.GetSelectedItem();
    bool selectedWithin = false;
    for (HTREEITEM n = selected; n != nullptr && !selectedWithin; n = tree.GetParentItem(n))
      selectedWithin = n == node;
    // Closed first, so the view drops the old rows in one step; each
    // deletion notice takes a marked file out of the totals.
    tree.Expand(node, TVE_COLLAPSE);
    if (!ReplaceBranch(tree, node, fresh)) return;
    pending.Keep();
    if (wasOpen) tree.Expand(fresh, TVE_EXPAND);
    if (selectedWithin) tree.SelectItem(fresh);
    UpdateParentMarks(tree.GetParentItem(fresh));
    UpdateSelectionStatus();
    m_bModified = true;
  }
  m_host.ShowChanges(std::move(changes), kUpdateCaption + std::string(": ") + path);
}

void CMainFrame::OnCompareWithTreeFile() {
  FileDialogOptions options;
  options.title = "Compare with a previously saved Directory Tree";
  options.filters = TreeFileFilters(true);
  options.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  std::string path;
  if (!m_host.GetOpenFileName(options, path)) return;
  CFile file;
  file.OpenRead(path);  // a failure is reported by the command

  ChangeList changes;
  {
    CWaitCursor wait(m_host);
    FreeRecordsOnDelete records;  // outlives the tree, which reports to it
    CTreeCtrl older;
    older.SetNotifyTarget(&records);
    if (IsNcduExportName(path)) {
      try {
        JsonPullReader json(file.GetHandle());
        ImportNcdu(json, older);
      } catch (const JsonFormatError& e) {
        m_host.MessageBox(path + ": " + e.what(), "Compare", MB_OK | MB_ICONEXCLAMATION);
        return;
      }
    } else {
      const TreeReadOutcome outcome = ReadTreeFile(file, older, [](HTREEITEM) {});
      if (outcome.failure) std::rethrow_exception(outcome.failure.exception);
      // Half a catalogue would show the rest as removed: nothing is listed.
      if (const std::string text = TreeReadEndText(outcome.end, path); !text.empty()) {
        m_host.MessageBox(text, "Compare", MB_OK | MB_ICONEXCLAMATION);
        return;
      }
    }
    changes = ListChanges(older, nullptr, *m_pTreeCtrl, nullptr);
  }
  m_host.ShowChanges(std::move(changes), path);
}

void CMainFrame::ShowChangedNode(std::string_view path, bool removed) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  bool whole = false;
  HTREEITEM node = FindNodeByPath(tree, path, whole);
  // A removed node is not in the tree; where it was is its parent (a node
  // found by its whole path is one of another kind added in its place).
  if (removed && whole && node != nullptr) node = tree.GetParentItem(node);
  if (node != nullptr) {
    tree.SelectItem(node);
    tree.EnsureVisible(node);
  }
  m_host.SetFocusToTree();
}
