// The branch context menu: Prune this branch, Save Branch, Update from Disk,
// File Info.
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/resource.h"
#include "platform/same_file.h"
#include "tree/tree_item.h"

void CMainFrame::OnContextMenu(POINT screen) {
  // A request from the keyboard has no mouse position. Where the window sits
  // partly off the screen, (-1, -1) can lie over a node, so it is refused
  // here rather than left to the hit test.
  if (screen.x == -1 && screen.y == -1) return;

  const TVHITTESTINFO hit = m_host.HitTestTree(screen);
  if (hit.hItem == nullptr || !(hit.flags & (TVHT_ONITEMICON | TVHT_ONITEMLABEL))) return;
  HTREEITEM node = hit.hItem;
  m_pTreeCtrl->SelectItem(node);

  const bool hasRecord = m_pTreeCtrl->GetItemData(node) != nullptr;
  const std::vector<PopupMenuItem> items = {
      {ID_PRUNE_BRANCH, "&Prune this branch", false},         // no confirmation asked
      {0, {}, false},                                         // separator
      {ID_SAVE_BRANCH, "Save &Branch", false},                // ancestors, then the branch
      {ID_UPDATE_FROM_DISK, "&Update from Disk", hasRecord},  // folders only
      {0, {}, false},                                         // separator
      {ID_FILE_INFO, "File Info", !hasRecord},                // greyed for folders: no record
  };
  switch (m_host.TrackPopupMenu(items, screen)) {
    case ID_PRUNE_BRANCH:
      PruneBranch(node);
      break;
    case ID_SAVE_BRANCH:
      SaveBranch(node);
      break;
    case ID_UPDATE_FROM_DISK:
      UpdateFromDisk(node);
      break;
    case ID_FILE_INFO:
      ShowFileInfo(node);
      break;
    default:
      break;  // dismissed
  }
}

void CMainFrame::PruneBranch(HTREEITEM node) {
  CWaitCursor wait(m_host);
  // Taken first: once the walk has run, the node and its links are gone.
  HTREEITEM parent = m_pTreeCtrl->GetParentItem(node);
  // Closed first, so a view drops the rows below it in one step instead of
  // one row for every node the walk deletes.
  m_pTreeCtrl->Expand(node, TVE_COLLAPSE);
  // Children before their parent, so each deletion removes a leaf; the
  // deletion notices take marked files out of the totals.
  WalkTree(node, -1, &CMainFrame::DeleteNode, nullptr, false);
  UpdateParentMarks(parent);
  UpdateSelectionStatus();
  m_bModified = true;
}

void CMainFrame::SaveBranch(HTREEITEM node) {
  std::string path;
  if (!AskSaveFileName(path)) return;
  // Over the file the open tree came from, the rest of that tree would be
  // in no file any more: asked first, and afterwards the tree is untitled
  // with unsaved changes, so nothing is lost without another question.
  const bool overOpenFile = !m_strTreeFile.empty() && IsSameFile(path, m_strTreeFile);
  if (overOpenFile &&
      m_host.MessageBox(path + " holds the open directory tree.\nReplace it with this branch only?",
                        "Save Branch", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
    return;
  // Writing one branch does not save the rest of the catalogue: unsaved
  // changes stay unsaved, so closing still asks about them.
  const bool modified = m_bModified;
  SaveTree(path, node);
  m_bModified = modified || overOpenFile;
  if (overOpenFile) UpdateCaption(nullptr);
}

void CMainFrame::ShowFileInfo(HTREEITEM node) {
  const CTreeItemData* data = m_pTreeCtrl->GetItemData(node);
  if (data == nullptr) return;  // a folder: the menu greys the entry
  m_host.MessageBox(data->GetInfoText(), "Extra File Info", MB_OK | MB_ICONINFORMATION);
}
