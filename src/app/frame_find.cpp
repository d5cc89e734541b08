// Find and Find Next: the search text and options come from the Find dialog
// and live in the frame; a search walks the tree in pre-order from just after
// the selected node, offering once to start again from the top.
#include "app/main_frame.h"
#include "search/name_match.h"
#include "tree/tree_walk.h"

void CMainFrame::OnEditFind() {
  // An OK with an empty text stores the options and asks again; a loop
  // rather than a call back through OnFindNext, so the stack stays flat.
  for (;;) {
    FindDialogData data;
    data.m_bIgnoreCase = m_bIgnoreCase ? 1 : 0;
    data.m_bExactMatch = m_bExactMatch ? 1 : 0;
    data.m_strFindWhat = m_strFindWhat;
    if (m_host.RunFindDialog(data) != IDOK) {
      m_host.SetFocusToTree();
      return;
    }
    m_bExactMatch = data.m_bExactMatch != 0;
    m_bIgnoreCase = data.m_bIgnoreCase != 0;
    m_strFindWhat = std::move(data.m_strFindWhat);
    // Labels are compared lower-cased too, so the text is stored that way
    // once instead of being lowered for every node.
    if (m_bIgnoreCase) LowerCaseText(m_strFindWhat);
    if (!m_strFindWhat.empty()) break;
  }
  OnFindNext();
}

void CMainFrame::OnFindNext() {
  if (m_strFindWhat.empty()) {
    OnEditFind();
    return;
  }
  CTreeCtrl& tree = Tree();
  if (HTREEITEM found = FindItem(tree.GetSelectedItem(), m_strFindWhat)) {
    tree.SelectItem(found);
    tree.EnsureVisible(found);
  } else {
    m_host.MessageBox("Item \"" + m_strFindWhat + "\" not found ...", "Find Next",
                      MB_OK | MB_ICONINFORMATION);
  }
  m_host.SetFocusToTree();
}

HTREEITEM CMainFrame::FindItem(HTREEITEM start, const std::string& searchText) {
  CWaitCursor wait(m_host);
  const CTreeCtrl& tree = Tree();
  if (start == nullptr) start = tree.GetRootItem();
  if (start == nullptr) return nullptr;

  // One matcher for the whole walk: the text and options are prepared once.
  NameMatcher matcher(searchText, m_bExactMatch, m_bIgnoreCase);
  HTREEITEM node = start;
  for (;;) {
    node = NextInPreOrder(tree, node);
    if (node == nullptr) {
      // The walk reaches the start again before the end of the tree, so
      // this is asked at most once per search.
      if (m_host.MessageBox("Restart search from top?", "Find", MB_YESNO | MB_ICONQUESTION) !=
          IDYES)
        return nullptr;
      node = tree.GetRootItem();
    }
    if (matcher.Matches(tree.GetItemText(node))) return node;
    if (node == start) return nullptr;
  }
}
