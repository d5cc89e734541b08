// The main window: menus, toolbar, tree view and the two-part status bar, and
// the window-system interface the frame's commands talk to.
#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <memory>

#include "app/frame_host.h"
#include "app/main_frame.h"

class QAction;
class QLabel;
class QToolBar;
class ChangesWindow;
class ScanProgressPanel;
class SearchWindow;
class TreeItemModel;
class TreeView;

class MainWindow : public QMainWindow, public FrameHost {
  Q_OBJECT

 public:
  explicit MainWindow(ProfileStore& profile, QWidget* parent = nullptr);
  ~MainWindow() override;

  CMainFrame& Frame() { return *m_frame; }
  TreeView* View() const { return m_view; }
  TreeItemModel* Model() const { return m_model; }
  QLabel* StatusPart(int part) const { return m_statusParts[part]; }
  QToolBar* ToolBar() const { return m_toolBar; }
  // The menu or toolbar action that runs a command (null if none).
  QAction* MenuAction(UINT id) const;
  QAction* ToolbarAction(UINT id) const;
  const std::vector<int>& StatusEdges() const { return m_statusEdges; }

  // The desktop session is ending: the window closes without asking about
  // unsaved changes, until the user acts again (logging off was cancelled).
  void SessionEnding();

  // Opens a tree file as File Open would, without its questions (a file
  // named on the command line).
  void OpenFile(const std::string& path);

  // Edit > Search Catalogues: shows the search window (made on first use).
  void ShowSearchWindow();
  SearchWindow* SearchCatalogues() const { return m_searchWindow; }
  // Shows a search result in the tree, opening its catalogue as File Open
  // would; false when the user kept the tree as it was.
  bool ShowCatalogueNode(const std::string& catalogue, uint64_t nodeIndex, std::string_view path);
  // The Changes window (null until a list of changes was first shown).
  ChangesWindow* Changes() const { return m_changesWindow; }
  // Selects a changed node (a removed one's parent) in the tree.
  void ShowChangedNode(std::string_view path, bool removed);

  // FrameHost
  int MessageBox(std::string_view text, std::string_view caption, UINT type) override;
  void SetStatusText(int part, std::string_view text, UINT flags) override;
  void SetStatusParts(const std::vector<int>& rightEdges) override;
  void SetWindowText(std::string_view caption) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  bool ShowScanProgress(std::string_view path, const ScanCounts& counts) override;
  void ShowChanges(ChangeList changes, std::string_view title) override;
  // The progress window of the scan running now (null when none shows).
  ScanProgressPanel* ProgressPanel() const { return m_progressPanel; }
  bool BrowseForFolder(std::string_view title, std::string& path) override;
  bool GetSaveFileName(const FileDialogOptions& options, std::string& path) override;
  bool GetOpenFileName(const FileDialogOptions& options, std::string& path) override;
  UINT TrackPopupMenu(const std::vector<PopupMenuItem>& items, POINT screen) override;
  int RunFindDialog(FindDialogData& data) override;
  void SetFocusToTree() override;
  TVHITTESTINFO HitTestTree(POINT screen) override;
  POINT GetMessagePos() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // While a scan runs, input meant for this window is dropped and Esc
  // cancels; after a cancelled logging off, the first input re-arms the
  // close prompt.
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void UpdateInputFilter();
  void BuildMenus();
  void BuildToolBar();
  void BuildStatusBar();
  void BuildAccelerators();
  void ConnectView();
  void Dispatch(UINT id);
  bool RunFileDialog(const FileDialogOptions& options, bool save, std::string& path);

  ProfileStore& m_profile;
  std::unique_ptr<CMainFrame> m_frame;
  SearchWindow* m_searchWindow = nullptr;
  ChangesWindow* m_changesWindow = nullptr;
  TreeView* m_view = nullptr;
  TreeItemModel* m_model = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_statusParts[2] = {nullptr, nullptr};
  std::vector<int> m_statusEdges;
  std::vector<std::pair<UINT, QAction*>> m_menuActions;
  std::vector<std::pair<UINT, QAction*>> m_toolbarActions;
  int m_waitDepth = 0;
  QElapsedTimer m_progressClock;  // since the window was last let paint
  QElapsedTimer m_commandClock;   // since the long command began
  ScanProgressPanel* m_progressPanel = nullptr;
  bool m_scanning = false;
  bool m_scanCancelled = false;
  POINT m_messagePos;
  bool m_sessionEnding = false;
};
