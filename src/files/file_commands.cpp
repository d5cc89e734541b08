// File Open, Save and Save As, and the tree writer.
#include "app/main_frame.h"

bool CMainFrame::AskSaveFileName(std::string&) { return false; }
bool CMainFrame::SaveTree(const std::string&, HTREEITEM) { return true; }
void CMainFrame::WriteAncestors(HTREEITEM, int, CArchive&) {}
void CMainFrame::WriteItem(HTREEITEM, int, void*) {}
void CMainFrame::OnFileSave() {}
void CMainFrame::OnFileSaveAs() {}
void CMainFrame::OnFileOpen() {}
void CMainFrame::LoadTree(const std::string&) {}
