// Marks, size totals and the tree control's notices.
#include <cinttypes>
#include <cstdio>

#include "app/main_frame.h"
#include "platform/number_text.h"
#include "tree/display_path.h"
#include "tree/mark_state.h"
#include "tree/tree_item.h"

void CMainFrame::DeleteNode(HTREEITEM node, int, std::nullptr_t) { m_pTreeCtrl->DeleteItem(node); }

void CMainFrame::SetMark(HTREEITEM node, int, bool mark) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  const int index = tree.GetStateImage(node);
  if (!TakesMarks(index)) return;
  if (tree.GetCheck(node) == (mark ? 1 : 0)) return;
  const bool wasCounted = CountsAsMarked(index);
  tree.SetCheck(node, mark);
  const CTreeItemData* data = tree.GetItemData(node);
  if (data == nullptr || wasCounted == mark) return;
  CountMarkedFile(data->m_nFileSize, mark ? 1 : -1);
}

void CMainFrame::ToggleSelect(HTREEITEM node) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  const int index = tree.GetStateImage(node);
  if (!TakesMarks(index)) return;
  CWaitCursor wait(m_host);
  m_bModified = true;
  const bool mark = index == kStateUnmarked || index == kStatePartlyMarked;
  WalkTree(node, 0, &CMainFrame::SetMark, mark, true);
  UpdateParentMarks(tree.GetParentItem(node));
  UpdateSelectionStatus();
}

void CMainFrame::OnToggleSelect() {
  if (HTREEITEM node = m_pTreeCtrl->GetSelectedItem()) ToggleSelect(node);
}

void CMainFrame::UpdateParentMarks(HTREEITEM node) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  for (; node; node = tree.GetParentItem(node))
    tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(StateFromChildren(tree, node)),
                      TVIS_STATEIMAGEMASK);
}

void CMainFrame::UpdateSelectionStatus() {
  const int64_t b = m_nMarkedBytes;
  int64_t value = b;
  const char* unit = "bytes";
  if (b > 0x40000000) {
    value = b / 0x100000;
    unit = "Mb";
  } else if (b > 0x100000) {
    value = b / 1024;
    unit = "Kb";
  }
  std::string amount, files;
  FormatThousands(value, amount);
  FormatThousands(m_nMarkedFiles, files);
  m_host.SetStatusText(1, "Selected: " + amount + " " + unit + " (" + files + " files)", 0);
}

void CMainFrame::OnTreeDeleteItem(HTREEITEM item, CTreeItemData* data) {
  if (data == nullptr) return;
  if (CountsAsMarked(m_pTreeCtrl->GetStateImage(item))) {
    CountMarkedFile(data->m_nFileSize, -1);
  }
  delete data;
}

void CMainFrame::OnTreeSelChanged(HTREEITEM newItem) {
  // The path as the tree shows it: labels from a Windows catalogue decoded
  // one by one, since a path may mix them with UTF-8 labels.
  m_host.SetStatusText(0, newItem ? DisplayPath(*m_pTreeCtrl, newItem) : std::string(),
                       SBT_NOBORDERS);
}

void CMainFrame::OnTreeClick() {
  const TVHITTESTINFO hit = m_host.HitTestTree(m_host.GetMessagePos());
  if (hit.hItem && (hit.flags & TVHT_ONITEMSTATEICON)) ToggleSelect(hit.hItem);
}
