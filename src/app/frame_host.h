// The one narrow interface between the program's behaviour and a window
// system. The Qt main window implements it, tests implement it with scripted
// answers, ztr-tool implements it for a console.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compare/change_list.h"
#include "platform/win_types.h"
#include "tree/scan_progress.h"
#include "tree/tree_ctrl.h"

constexpr UINT SBT_NOBORDERS = 0x100;

// File dialog flags.
constexpr DWORD OFN_OVERWRITEPROMPT = 0x2;
constexpr DWORD OFN_HIDEREADONLY = 0x4;
constexpr DWORD OFN_PATHMUSTEXIST = 0x800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x1000;
constexpr DWORD OFN_CREATEPROMPT = 0x2000;

struct FileDialogOptions {
  std::string title;
  std::vector<std::pair<std::string, std::string>> filters;  // description, pattern
  std::string defaultExt;                                    // without the dot; empty: none
  std::string initialName;
  DWORD flags = 0;
};

struct PopupMenuItem {
  UINT id = 0;  // 0: a separator
  std::string text;
  bool grayed = false;
};

// What the Find dialog shows and returns.
struct FindDialogData {
  std::string m_strFindWhat;
  int m_bExactMatch = 0;
  int m_bIgnoreCase = 0;
};

class FrameHost {
 public:
  virtual ~FrameHost() = default;

  // type: MB_* buttons and icon; returns IDOK, IDCANCEL, IDYES or IDNO.
  virtual int MessageBox(std::string_view text, std::string_view caption, UINT type) = 0;
  virtual void SetStatusText(int part, std::string_view text, UINT flags) = 0;
  // Right edges of the status parts in pixels, -1 for "to the right end".
  virtual void SetStatusParts(const std::vector<int>& rightEdges) = 0;
  virtual void SetWindowText(std::string_view caption) = 0;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  // Shows how far a scan has got (the folder being read, by full path, and
  // what the tree has gained) and keeps the window painted, without acting
  // on any command; false when the user asked to stop the scan.
  virtual bool ShowScanProgress(std::string_view /*path*/, const ScanCounts& /*counts*/) {
    return true;
  }

  // Shows the differences in the Changes window, titled with what was
  // compared.
  virtual void ShowChanges(ChangeList /*changes*/, std::string_view /*title*/) {}

  virtual bool BrowseForFolder(std::string_view title, std::string& path) = 0;
  virtual bool GetSaveFileName(const FileDialogOptions& options, std::string& path) = 0;
  virtual bool GetOpenFileName(const FileDialogOptions& options, std::string& path) = 0;
  // Shows a popup menu at a screen point; returns the chosen id, 0 if dismissed.
  virtual UINT TrackPopupMenu(const std::vector<PopupMenuItem>& items, POINT screen) = 0;
  // Runs the Find dialog modally; IDOK or IDCANCEL.
  virtual int RunFindDialog(FindDialogData& data) = 0;
  virtual void SetFocusToTree() = 0;

  // The tree view's geometry: the node and part under a screen point, and
  // the screen position of the mouse when the current message was sent.
  virtual TVHITTESTINFO HitTestTree(POINT screen) = 0;
  virtual POINT GetMessagePos() = 0;
};

// Shows the wait cursor for as long as it lives.
class CWaitCursor {
 public:
  explicit CWaitCursor(FrameHost& host) : m_host(host) { m_host.BeginWaitCursor(); }
  ~CWaitCursor() { m_host.EndWaitCursor(); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  FrameHost& m_host;
};
