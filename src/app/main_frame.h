// The main frame: owns the tree control and the state every command shares,
// and carries out every command. Its members are defined by subsystem in
// app/frame_*.cpp (scan, marks, files, find, context menu); the work itself is
// done by the libraries below (tree/, files/, search/, interop/), which take
// what they need explicitly and know nothing of the frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "app/frame_host.h"
#include "app/profile_store.h"
#include "files/work_outcome.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_walk.h"

class CFile;
class CTreeItemData;

// Where a command came from, for the text of a failure that escapes it.
enum class CommandSource { Menu, Other };

class CMainFrame : public TreeNotifyTarget {
 public:
  // A node step of WalkTree: (node, nest level, the walk's value).
  template <class Value>
  using NodeStep = void (CMainFrame::*)(HTREEITEM, int, Value);

  CMainFrame(FrameHost& host, ProfileStore& profile);
  // Destroys the tree control (each node's deletion is reported and frees its
  // record), then writes the find options.
  ~CMainFrame() override;
  CMainFrame(const CMainFrame&) = delete;
  CMainFrame& operator=(const CMainFrame&) = delete;

  // The window is up: sets the caption.
  void OnCreate();

  // Runs a command by id, reporting a failure that escapes it once.
  void OnCommand(UINT id, CommandSource source = CommandSource::Menu);
  bool HasCommandHandler(UINT id) const;
  // Runs any action with the same failure reporting.
  template <class Action>
  void RunGuarded(Action&& action, CommandSource source);

  // Window messages.
  bool OnClose();  // true: the window may close
  void OnSize(int clientWidth);
  void OnContextMenu(POINT screen);
  void OnTreeClick();
  void OnTreeDeleteItem(HTREEITEM item, CTreeItemData* data) override;
  void OnTreeSelChanged(HTREEITEM newItem) override;

  // Shell.
  void UpdateCaption(const std::string* path);
  bool QuerySaveTree();

  // Marks and totals.
  // Calls step(n, nest level, value) for node and every node below it, in
  // pre- or post-order (a post-order step may delete its node). A negative
  // level: node's own depth is worked out. Node null: the whole tree, its
  // top-level nodes at level 1.
  template <class Value>
  void WalkTree(HTREEITEM node, int level, NodeStep<Value> step, std::type_identity_t<Value> value,
                bool preOrder);
  void DeleteNode(HTREEITEM node, int level, std::nullptr_t);
  void SetMark(HTREEITEM node, int level, bool mark);
  void ToggleSelect(HTREEITEM node);
  void OnToggleSelect();
  void UpdateParentMarks(HTREEITEM node);
  void UpdateSelectionStatus();

  // Folder scanning.
  void OnFileNew();
  bool BrowseForFolder(const char* title, std::string& path);
  void ScanFolder(const char* folder, HTREEITEM node);

  // Tree files.
  // The file dialogs' filters: tree files, all files, and ncdu exports.
  static std::vector<std::pair<std::string, std::string>> TreeFileFilters(bool withNcdu);
  bool AskSaveFileName(std::string& path);
  // Writes the whole tree (start null) or start's ancestors and branch.
  // Returns only once the file is written; a failure throws.
  void SaveTree(const std::string& path, HTREEITEM start);
  void OnFileSave();
  void OnFileSaveAs();
  void OnFileOpen();
  // Reads a tree file into the (empty) tree; the body of File Open after its
  // dialog. Also used to open a file named on the command line.
  // A name ending in .json is read as an ncdu export instead.
  void LoadTree(const std::string& path);
  void ImportNcduExport(CFile& file, const std::string& path);

  // Branch context menu.
  void PruneBranch(HTREEITEM node);
  void SaveBranch(HTREEITEM node);
  void ShowFileInfo(HTREEITEM node);
  // Scans a folder node's folder again where it is now and puts the new
  // branch in its place, marks carried over; shows what changed.
  void UpdateFromDisk(HTREEITEM node);

  // What changed between a chosen catalogue (old) and the tree (new).
  void OnCompareWithTreeFile();
  // Selects the node a change's path names (a removed node's parent) and
  // scrolls to it.
  void ShowChangedNode(std::string_view path, bool removed);

  // Find.
  void OnEditFind();
  void OnFindNext();
  HTREEITEM FindItem(HTREEITEM start, const std::string& searchText);

  // A search result: opens the catalogue as File Open does (asking about
  // unsaved changes first) unless it is the one shown, then selects the node
  // and scrolls to it as Find does. The node is the one at nodeIndex in the
  // pre-order, or, when the tree no longer holds it there, the first whose
  // shown path starts with path. False when the user kept the tree.
  bool ShowCatalogueNode(const std::string& catalogue, uint64_t nodeIndex, std::string_view path);

  // Adds one file to the totals (sign -1 takes it out). Sizes come from tree
  // files too, where they can be anything: the byte sum wraps like unsigned
  // arithmetic instead of overflowing, so every addition is undone exactly
  // by its subtraction and clearing the tree always brings the totals to 0.
  void CountMarkedFile(int64_t fileSize, int sign) {
    m_nMarkedFiles += sign;
    const uint64_t delta = static_cast<uint64_t>(fileSize);
    m_nMarkedBytes = static_cast<int64_t>(static_cast<uint64_t>(m_nMarkedBytes) +
                                          (sign > 0 ? delta : 0 - delta));
  }

  CTreeCtrl& Tree() { return *m_pTreeCtrl; }
  const CTreeCtrl& Tree() const { return *m_pTreeCtrl; }
  FrameHost& Host() { return m_host; }

  // Shared state, as the commands use it.
  bool m_bExactMatch = false;
  bool m_bIgnoreCase = true;
  std::string m_strFindWhat;
  std::unique_ptr<CTreeCtrl> m_pTreeCtrl;
  int64_t m_nMarkedBytes = 0;
  int32_t m_nMarkedFiles = 0;
  bool m_bModified = false;
  std::string m_strTreeFile;

  // The one message box of a failed command.
  void ShowFailure(const WorkFailure& failure, CommandSource source = CommandSource::Menu);

 private:
  void ReportFailure(std::exception_ptr failure, CommandSource source);

  FrameHost& m_host;
  ProfileStore& m_profile;
};

template <class Value>
void CMainFrame::WalkTree(HTREEITEM node, int level, NodeStep<Value> step,
                          std::type_identity_t<Value> value, bool preOrder) {
  if (node == nullptr)
    level = 0;
  else if (level < 0)
    level = NestLevel(*m_pTreeCtrl, node);
  WalkBranch(*m_pTreeCtrl, node, level, preOrder,
             [&](HTREEITEM n, int nestLevel) { (this->*step)(n, nestLevel, value); });
}

template <class Action>
void CMainFrame::RunGuarded(Action&& action, CommandSource source) {
  try {
    action();
  } catch (...) {
    ReportFailure(std::current_exception(), source);
  }
}
