// Marks, size totals, the shared tree walk and the tree control's notices.
#include <cinttypes>
#include <cstdio>

#include "app/main_frame.h"
#include "tree/display_path.h"
#include "tree/tree_item.h"

namespace {

// A file counts in the totals exactly while it shows the ticked box. Nodes
// read from a tree file can carry any state image, so every change of the
// totals goes by this one test.
bool CountsAsMarked(const CTreeCtrl& tree, HTREEITEM node) { return tree.GetStateImage(node) == 2; }

int Depth(const CTreeCtrl& tree, HTREEITEM node) {
  int depth = 0;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p)) ++depth;
  return depth;
}

}  // namespace

// Iterative, over the parent and sibling links, so that no depth of tree can
// exhaust the stack. The next sibling and the parent are taken before a node
// is visited, so a post-order step may delete the node it is given.
void CMainFrame::WalkTree(HTREEITEM node, int level, NodeStep step, void* userValue,
                          bool preOrder) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  if (node == nullptr)
    level = 0;
  else if (level < 0)
    level = Depth(tree, node);

  if (preOrder) {
    if (node) (this->*step)(node, level, userValue);
    HTREEITEM cur = tree.GetChildItem(node);
    int curLevel = level + 1;
    while (cur) {
      (this->*step)(cur, curLevel, userValue);
      if (HTREEITEM child = tree.GetChildItem(cur)) {
        cur = child;
        ++curLevel;
        continue;
      }
      HTREEITEM next = tree.GetNextSiblingItem(cur);
      while (!next) {
        cur = tree.GetParentItem(cur);
        --curLevel;
        if (cur == node || cur == nullptr) return;
        next = tree.GetNextSiblingItem(cur);
      }
      cur = next;
    }
    return;
  }

  HTREEITEM cur = tree.GetChildItem(node);
  int curLevel = level + 1;
  if (cur) {
    for (;;) {
      while (HTREEITEM child = tree.GetChildItem(cur)) {
        cur = child;
        ++curLevel;
      }
      for (;;) {
        HTREEITEM next = tree.GetNextSiblingItem(cur);
        HTREEITEM parent = tree.GetParentItem(cur);
        (this->*step)(cur, curLevel, userValue);
        if (next) {
          cur = next;
          break;  // descend into the next sibling's subtree
        }
        cur = parent;
        --curLevel;
        if (cur == node || cur == nullptr) goto children_done;
      }
    }
  }
children_done:
  if (node) (this->*step)(node, level, userValue);
}

void CMainFrame::DeleteNode(HTREEITEM node, int, void*) { m_pTreeCtrl->DeleteItem(node); }

void CMainFrame::SetMark(HTREEITEM node, int, void* markValue) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  const int index = tree.GetStateImage(node);
  if (index >= 4) return;
  const bool mark = reinterpret_cast<intptr_t>(markValue) != 0;
  if (tree.GetCheck(node) == (mark ? 1 : 0)) return;
  const bool wasCounted = index == 2;
  tree.SetCheck(node, mark);
  const CTreeItemData* data = tree.GetItemData(node);
  if (data == nullptr || wasCounted == mark) return;
  CountMarkedFile(data->m_nFileSize, mark ? 1 : -1);
}

void CMainFrame::ToggleSelect(HTREEITEM node) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  const int index = tree.GetStateImage(node);
  if (index >= 4) return;
  CWaitCursor wait(m_host);
  m_bModified = true;
  const bool mark = index == 1 || index == 3;
  WalkTree(node, 0, &CMainFrame::SetMark, reinterpret_cast<void*>(intptr_t{mark}), true);
  UpdateParentMarks(tree.GetParentItem(node));
  UpdateSelectionStatus();
}

void CMainFrame::OnToggleSelect() {
  if (HTREEITEM node = m_pTreeCtrl->GetSelectedItem()) ToggleSelect(node);
}

void CMainFrame::UpdateParentMarks(HTREEITEM node) {
  CTreeCtrl& tree = *m_pTreeCtrl;
  for (; node; node = tree.GetParentItem(node)) {
    int k = 0;
    for (HTREEITEM child = tree.GetChildItem(node); child; child = tree.GetNextSiblingItem(child)) {
      const int i = tree.GetStateImage(child);
      if (i >= 4) continue;
      if (k == 0) {
        k = i;
      } else if (k != i) {
        k = 3;
        break;
      }
    }
    tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(k), TVIS_STATEIMAGEMASK);
  }
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

void CMainFrame::GetParentPath(HTREEITEM node, std::string& path) const {
  const CTreeCtrl& tree = *m_pTreeCtrl;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p)) {
    std::string_view label = tree.GetItemText(p);
    std::string part(label);
    if (label.empty() || label.back() != '/') part += '/';
    path.insert(0, part);
  }
  if (!path.empty()) {
    while (!path.empty() && path.back() == '/') path.pop_back();
    path += '/';
  }
}

void CMainFrame::OnTreeDeleteItem(HTREEITEM item, CTreeItemData* data) {
  if (data == nullptr) return;
  if (CountsAsMarked(*m_pTreeCtrl, item)) {
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

void FormatThousands(int64_t value, std::string& text) {
  // The totals never go negative; should one, it reads as a minus sign and
  // the digits of its size.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  char group[8];
  for (;;) {
    std::snprintf(group, sizeof group, "%03u", static_cast<unsigned>(magnitude % 1000));
    text.insert(0, group);
    magnitude /= 1000;
    if (magnitude == 0) break;
    text.insert(0, ",");
  }
  const size_t firstDigit = text.find_first_not_of('0');
  text.erase(0, firstDigit == std::string::npos ? text.size() : firstDigit);
  if (text.empty()) text = "0";
  if (value < 0) text.insert(0, "-");
}
