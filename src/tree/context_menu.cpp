// The branch context menu: Prune this branch, Save Branch, File Info.
#include "app/main_frame.h"

void CMainFrame::OnContextMenu(POINT) {}
void CMainFrame::PruneBranch(HTREEITEM) {}
void CMainFrame::SaveBranch(HTREEITEM) {}
void CMainFrame::ShowFileInfo(HTREEITEM) {}
