#include "app/main_frame.h"

#include "app/resource.h"

namespace {
constexpr const char kFindSection[] = "Find";
}

CMainFrame::CMainFrame(FrameHost& host, ProfileStore& profile)
    : m_pTreeCtrl(std::make_unique<CTreeCtrl>()), m_host(host), m_profile(profile) {
  m_bExactMatch = m_profile.GetProfileInt(kFindSection, "ExactMatch", 0) != 0;
  m_bIgnoreCase = m_profile.GetProfileInt(kFindSection, "IgnoreCase", 1) != 0;
  m_pTreeCtrl->SetNotifyTarget(this);
}

CMainFrame::~CMainFrame() {
  // The tree goes first: its deletion notices still reach this frame, whose
  // members are alive until the end of this destructor. The nodes are deleted
  // while the pointer is still set, since the notices read the tree.
  m_pTreeCtrl->DeleteAllItems();
  m_pTreeCtrl.reset();
  m_profile.WriteProfileInt(kFindSection, "ExactMatch", m_bExactMatch ? 1 : 0);
  m_profile.WriteProfileInt(kFindSection, "IgnoreCase", m_bIgnoreCase ? 1 : 0);
}

void CMainFrame::OnCreate() { UpdateCaption(nullptr); }

bool CMainFrame::HasCommandHandler(UINT id) const {
  switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_SAVE:
    case ID_FILE_SAVE_AS:
    case ID_EDIT_FIND:
    case ID_FIND_NEXT:
    case ID_TOGGLE_SELECT:
    case ID_COMPARE_TREE_FILE:
      return true;
    default:
      return false;
  }
}

void CMainFrame::OnCommand(UINT id, CommandSource source) {
  RunGuarded(
      [&] {
        switch (id) {
          case ID_FILE_NEW:
            OnFileNew();
            break;
          case ID_FILE_OPEN:
            OnFileOpen();
            break;
          case ID_FILE_SAVE:
            OnFileSave();
            break;
          case ID_FILE_SAVE_AS:
            OnFileSaveAs();
            break;
          case ID_EDIT_FIND:
            OnEditFind();
            break;
          case ID_FIND_NEXT:
            OnFindNext();
            break;
          case ID_TOGGLE_SELECT:
            OnToggleSelect();
            break;
          case ID_COMPARE_TREE_FILE:
            OnCompareWithTreeFile();
            break;
          default:
            break;  // commands without a handler do nothing
        }
      },
      source);
}

void CMainFrame::ReportFailure(std::exception_ptr failure, CommandSource source) {
  ShowFailure(FailureOf(failure), source);
}

void CMainFrame::ShowFailure(const WorkFailure& failure, CommandSource source) {
  // A file's failure shows the stop sign, the others the exclamation mark.
  const UINT icon = failure.kind == WorkFailure::Kind::file ? MB_ICONSTOP : MB_ICONEXCLAMATION;
  m_host.MessageBox(FailureText(failure, source == CommandSource::Menu), kAppName, MB_OK | icon);
}

bool CMainFrame::OnClose() {
  bool mayClose = false;
  RunGuarded([&] { mayClose = QuerySaveTree(); }, CommandSource::Menu);
  return mayClose;
}

void CMainFrame::OnSize(int clientWidth) {
  m_host.SetStatusParts({clientWidth > 400 ? clientWidth - 200 : 200, -1});
}

void CMainFrame::UpdateCaption(const std::string* path) {
  std::string suffix;
  if (path) {
    m_strTreeFile = *path;
    suffix = " - [" + m_strTreeFile + "]";
  } else {
    m_strTreeFile.clear();
  }
  m_host.SetWindowText(std::string(kFrameTitle) + " - " + kMakerName + suffix);
}

// Yes goes on only when the tree was really written: a cancelled or failed
// save keeps the tree (and the window) rather than losing the changes.
bool CMainFrame::QuerySaveTree() {
  if (!m_bModified) return true;
  switch (m_host.MessageBox("Save current directory tree?", "Directory List Viewer",
                            MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
      OnFileSave();
      return !m_bModified;
    case IDNO:
      return true;
    default:
      return false;
  }
}
