// File New: loading a folder's whole directory tree.
#include "app/main_frame.h"

void CMainFrame::OnFileNew() {}
bool CMainFrame::BrowseForFolder(const char* title, std::string& path) {
  return m_host.BrowseForFolder(title, path);
}
void CMainFrame::ScanFolder(const char*, HTREEITEM) {}
