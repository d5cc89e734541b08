// Find and Find Next.
#include "app/main_frame.h"

void CMainFrame::OnEditFind() {}
void CMainFrame::OnFindNext() {}
HTREEITEM CMainFrame::FindItem(HTREEITEM, const std::string&) { return nullptr; }
bool CMainFrame::MatchItem(HTREEITEM, const std::string&) { return false; }
