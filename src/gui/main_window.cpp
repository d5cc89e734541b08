#include "gui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QShortcut>
#include <QSpacerItem>
#include <QStatusBar>
#include <QTextDocument>
#include <QTextOption>
#include <QToolBar>
#include <memory>
#include <utility>

#include "app/resource.h"
#include "gui/about_dialog.h"
#include "gui/artwork.h"
#include "gui/changes_window.h"
#include "gui/display_text.h"
#include "gui/find_dialog.h"
#include "gui/scan_progress_panel.h"
#include "gui/search_window.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"

namespace {

// How often a running scan lets the window paint and answer.
constexpr qint64 kProgressIntervalMs = 100;
// A scan shorter than this ends without its progress window flashing up.
constexpr qint64 kProgressPanelDelayMs = 300;

// Every text from the frame goes through the one decoding of label bytes: a
// path or label from a Windows catalogue reads as it does in the tree.
QString Q(std::string_view s) { return DisplayTextOf(s); }

struct MenuEntry {
  UINT id;  // 0: separator
  const char* text;
};

struct MenuDef {
  const char* title;
  std::vector<MenuEntry> entries;
};

const std::vector<MenuDef>& MainMenu() {
  static const std::vector<MenuDef> menu = {
      {"&File",
       {{ID_FILE_NEW, "&New\tCtrl+N"},
        {ID_FILE_OPEN, "&Open...\tCtrl+O"},
        {ID_FILE_SAVE, "&Save\tCtrl+S"},
        {ID_FILE_SAVE_AS, "Save &As..."},
        {0, nullptr},
        {ID_COMPARE_TREE_FILE, "&Compare with Tree File..."},
        {0, nullptr},
        {ID_APP_EXIT, "E&xit"}}},
      {"&Edit",
       {{ID_EDIT_FIND, "Find ...\tCtrl-F"},
        {ID_FIND_NEXT, "Find Next\tF3"},
        {ID_SEARCH_CATALOGUES, "Search &Catalogues...\tCtrl+Shift+F"},
        {0, nullptr},
        {ID_TOGGLE_SELECT, "Toggle Select\t<Space Bar>"}}},
      {"&View",
       {{ID_VIEW_TOOLBAR, "&Toolbar"},
        {ID_VIEW_STATUS_BAR, "&Status Bar"},
        {ID_WINDOW_SPLIT, "S&plit"}}},
      {"&Help", {{ID_APP_ABOUT, "&About ZTR..."}}},
  };
  return menu;
}

struct Accelerator {
  QKeySequence keys;
  UINT id;
};

// Every entry of the accelerator table; those whose command has no handler
// do nothing.
const std::vector<Accelerator>& Accelerators() {
  static const std::vector<Accelerator> table = {
      {QKeySequence(Qt::CTRL | Qt::Key_C), ID_EDIT_COPY},
      {QKeySequence(Qt::CTRL | Qt::Key_F), ID_EDIT_FIND},
      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F), ID_SEARCH_CATALOGUES},
      {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW},
      {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
      {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT},
      {QKeySequence(Qt::CTRL | Qt::Key_S), ID_FILE_SAVE},
      {QKeySequence(Qt::CTRL | Qt::Key_V), ID_EDIT_PASTE},
      {QKeySequence(Qt::ALT | Qt::Key_Backspace), ID_EDIT_UNDO},
      {QKeySequence(Qt::SHIFT | Qt::Key_Delete), ID_EDIT_CUT},
      {QKeySequence(Qt::Key_F3), ID_FIND_NEXT},
      {QKeySequence(Qt::Key_F6), ID_NEXT_PANE},
      {QKeySequence(Qt::SHIFT | Qt::Key_F6), ID_PREV_PANE},
      {QKeySequence(Qt::CTRL | Qt::Key_Insert), ID_EDIT_COPY},
      {QKeySequence(Qt::SHIFT | Qt::Key_Insert), ID_EDIT_PASTE},
      {QKeySequence(Qt::Key_Space), ID_TOGGLE_SELECT},
      {QKeySequence(Qt::CTRL | Qt::Key_X), ID_EDIT_CUT},
      {QKeySequence(Qt::CTRL | Qt::Key_Z), ID_EDIT_UNDO},
  };
  return table;
}

struct ToolbarEntry {
  UINT id;  // 0: a gap
  ToolbarButton button;
  const char* tip;
};

const std::vector<ToolbarEntry>& ToolbarButtons() {
  // One button a line, as the toolbar shows them.
  // clang-format off
  static const std::vector<ToolbarEntry> buttons = {
      {ID_FILE_NEW, ToolbarButton::New, "New"},
      {ID_FILE_OPEN, ToolbarButton::Open, "Open"},
      {ID_FILE_SAVE, ToolbarButton::Save, "Save"},
      {0, ToolbarButton::New, nullptr},
      {ID_EDIT_CUT, ToolbarButton::Cut, "Cut"},
      {ID_EDIT_COPY, ToolbarButton::Copy, "Copy"},
      {ID_EDIT_PASTE, ToolbarButton::Paste, "Paste"},
      {0, ToolbarButton::New, nullptr},
      {ID_SEARCH_CATALOGUES, ToolbarButton::Search, "Search Catalogues"},
      {0, ToolbarButton::New, nullptr},
      {ID_FILE_PRINT, ToolbarButton::Print, "Print"},
      {0, ToolbarButton::New, nullptr},
      {ID_APP_ABOUT, ToolbarButton::About, "About"},
  };
  // clang-format on
  return buttons;
}

// A Qt name filter is "description (patterns)"; the dialog shows only the
// description (HideNameFilterDetails), as the descriptions name their
// patterns themselves where they want them seen.
QString FilterText(const std::pair<std::string, std::string>& filter) {
  const QString pattern = filter.second == "*.*" ? QStringLiteral("*") : Q(filter.second);
  return Q(filter.first) + " (" + pattern + ")";
}

// Lines of the form "label:\tvalue" (File Info) show their values in one
// column: the box's text document gets a tab stop just past the widest label,
// instead of the fixed stops that put some values a stop further and let
// others touch their label. The text itself keeps its tabs.
void AlignTabColumn(QMessageBox& box) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  if (!label) return;
  label->setTextInteractionFlags(label->textInteractionFlags() | Qt::TextSelectableByMouse);
  auto* document = label->findChild<QTextDocument*>();
  if (!document) return;
  const QFontMetricsF metrics(label->font());
  qreal widest = 0;
  for (const QString& line : label->text().split('\n')) {
    const qsizetype tab = line.indexOf('\t');
    if (tab >= 0) widest = qMax(widest, metrics.horizontalAdvance(line.left(tab)));
  }
  QTextOption option = document->defaultTextOption();
  option.setTabStopDistance(widest + metrics.horizontalAdvance(QStringLiteral("  ")));
  document->setDefaultTextOption(option);
  label->setWordWrap(label->wordWrap());  // lays the text out again
}

// The box is at least as wide as its caption needs (the title bar cuts a
// long caption otherwise) and opens over the middle of its parent, or of the
// screen while the parent is not yet on it.
void FitCaptionAndCentre(QMessageBox& box) {
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    // Room for the caption beside the title bar's icon and buttons.
    const int captionWidth = box.fontMetrics().horizontalAdvance(box.windowTitle()) + 140;
    grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.adjustSize();
  QWidget* parent = box.parentWidget();
  QRect area = parent && parent->isVisible() ? parent->frameGeometry() : QRect();
  if (area.isEmpty()) {
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    if (screen) area = screen->availableGeometry();
  }
  if (!area.isEmpty()) box.move(area.center() - box.rect().center());
}

}  // namespace

MainWindow::MainWindow(ProfileStore& profile, QWidget* parent)
    : QMainWindow(parent), m_profile(profile) {
  setWindowTitle(kFrameTitle);
  setWindowIcon(ApplicationIcon());
  m_frame = std::make_unique<CMainFrame>(*this, profile);
  m_view = new TreeView(this);
  m_model = new TreeItemModel(m_frame->Tree(), this);
  m_view->SetTreeModel(m_model);
  setCentralWidget(m_view);
  BuildMenus();
  BuildToolBar();
  BuildStatusBar();
  BuildAccelerators();
  ConnectView();
  // When the desktop session ends the window closes without the question.
  connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::SessionEnding);
  // The first size fits the screen's free area, whatever its scale factor.
  QSize size(800, 600);
  if (const QScreen* screen = this->screen())
    size = size.boundedTo(screen->availableGeometry().size() -
                          (frameGeometry().size() - this->size()));
  resize(size);
  m_frame->OnCreate();
  m_frame->OnSize(width());
}

MainWindow::~MainWindow() {
  // The search window goes first: it ends its searches and writes its
  // settings while the frame is still whole.
  delete std::exchange(m_searchWindow, nullptr);
  delete std::exchange(m_changesWindow, nullptr);
  // The view lets go of the model, the model of the tree control; then the
  // frame deletes the tree (each node's notice frees its record) and writes
  // its settings. The view holds no index per expanded node (the model's
  // rows are flat), so letting go costs the same however much is open.
  m_view->setModel(nullptr);
  delete m_model;
  m_model = nullptr;
  m_frame.reset();
}

void MainWindow::BuildMenus() {
  for (const MenuDef& def : MainMenu()) {
    QMenu* menu = menuBar()->addMenu(def.title);
    for (const MenuEntry& entry : def.entries) {
      if (entry.id == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(entry.text);
      const UINT id = entry.id;
      m_menuActions.emplace_back(id, action);
      if (id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR) {
        action->setCheckable(true);
        action->setChecked(true);
        connect(action, &QAction::toggled, this, [this, id](bool on) {
          if (id == ID_VIEW_TOOLBAR)
            m_toolBar->setVisible(on);
          else
            statusBar()->setVisible(on);
        });
        continue;
      }
      const bool handled = m_frame->HasCommandHandler(id) || id == ID_APP_ABOUT ||
                           id == ID_APP_EXIT || id == ID_SEARCH_CATALOGUES;
      action->setEnabled(handled);
      connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    }
  }
}

void MainWindow::BuildToolBar() {
  m_toolBar = addToolBar("Standard");
  m_toolBar->setObjectName("toolbar");
  m_toolBar->setIconSize(kToolbarIconSize);
  // The bar stays where the window puts it, and only View > Toolbar shows
  // or hides it (the window's own bar menu would hide it behind its back).
  m_toolBar->setFloatable(false);
  m_toolBar->setMovable(false);
  m_toolBar->setAllowedAreas(Qt::TopToolBarArea);
  m_toolBar->toggleViewAction()->setVisible(false);
  setContextMenuPolicy(Qt::NoContextMenu);
  for (const ToolbarEntry& entry : ToolbarButtons()) {
    if (entry.id == 0) {
      m_toolBar->addSeparator();
      continue;
    }
    QAction* action = m_toolBar->addAction(ToolbarIcon(entry.button), entry.tip);
    action->setToolTip(entry.tip);
    const UINT id = entry.id;
    action->setEnabled(m_frame->HasCommandHandler(id) || id == ID_APP_ABOUT ||
                       id == ID_SEARCH_CATALOGUES);
    connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
    m_toolbarActions.emplace_back(id, action);
  }
}

void MainWindow::BuildStatusBar() {
  for (int part = 0; part < 2; ++part) {
    m_statusParts[part] = new QLabel(this);
    m_statusParts[part]->setObjectName(QString("statusPart%1").arg(part));
    m_statusParts[part]->setTextFormat(Qt::PlainText);
  }
  m_statusParts[1]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  statusBar()->setSizeGripEnabled(true);
  statusBar()->addWidget(m_statusParts[0]);
  statusBar()->addWidget(m_statusParts[1], 1);
}

void MainWindow::BuildAccelerators() {
  for (const Accelerator& acc : Accelerators()) {
    auto* shortcut = new QShortcut(acc.keys, this);
    shortcut->setContext(Qt::WindowShortcut);
    const UINT id = acc.id;
    connect(shortcut, &QShortcut::activated, this, [this, id] {
      if (m_frame->HasCommandHandler(id) || id == ID_SEARCH_CATALOGUES) Dispatch(id);
    });
  }
}

void MainWindow::ConnectView() {
  connect(m_view, &TreeView::selectedNode, this,
          [this](const QModelIndex& i) { m_frame->Tree().SelectItem(TreeItemModel::ItemOf(i)); });
  connect(m_view, &TreeView::clicked, this, [this](QPoint global) {
    m_messagePos = {global.x(), global.y()};
    m_frame->RunGuarded([this] { m_frame->OnTreeClick(); }, CommandSource::Other);
  });
  connect(m_view, &TreeView::contextMenuAt, this, [this](QPoint global) {
    m_messagePos = {global.x(), global.y()};
    m_frame->RunGuarded(
        [&] {
          m_frame->OnContextMenu({global.x(), global.y()});
        },
        CommandSource::Other);
  });
}

void MainWindow::Dispatch(UINT id) {
  switch (id) {
    case ID_APP_ABOUT:
      m_frame->RunGuarded([this] { RunAboutDialog(this); }, CommandSource::Menu);
      break;
    case ID_APP_EXIT:
      close();
      break;
    case ID_SEARCH_CATALOGUES:
      ShowSearchWindow();
      break;
    default:
      m_frame->OnCommand(id, CommandSource::Menu);
  }
}

QAction* MainWindow::MenuAction(UINT id) const {
  for (auto& [cmd, action] : m_menuActions)
    if (cmd == id) return action;
  return nullptr;
}

QAction* MainWindow::ToolbarAction(UINT id) const {
  for (auto& [cmd, action] : m_toolbarActions)
    if (cmd == id) return action;
  return nullptr;
}

void MainWindow::OpenFile(const std::string& path) {
  m_frame->RunGuarded([&] { m_frame->LoadTree(path); }, CommandSource::Other);
}

void MainWindow::ShowSearchWindow() {
  if (!m_searchWindow) m_searchWindow = new SearchWindow(*this, m_profile);
  m_searchWindow->Summon();
}

bool MainWindow::ShowCatalogueNode(const std::string& catalogue, uint64_t nodeIndex,
                                   std::string_view path) {
  // A scan fills the tree now: it is not replaced under the scan's feet.
  if (m_scanning) return false;
  bool shown = false;
  m_frame->RunGuarded([&] { shown = m_frame->ShowCatalogueNode(catalogue, nodeIndex, path); },
                      CommandSource::Menu);
  return shown;
}

void MainWindow::ShowChanges(ChangeList changes, std::string_view title) {
  if (!m_changesWindow) m_changesWindow = new ChangesWindow(*this);
  m_changesWindow->Show(std::move(changes), title);
}

void MainWindow::ShowChangedNode(std::string_view path, bool removed) {
  if (m_scanning) return;  // the tree is not touched under a scan's feet
  m_frame->RunGuarded([&] { m_frame->ShowChangedNode(path, removed); }, CommandSource::Other);
  raise();
  activateWindow();
}

void MainWindow::SessionEnding() {
  m_sessionEnding = true;
  // Should the logging off be cancelled, the user's next key or click says
  // so: from then on closing asks about unsaved changes again.
  UpdateInputFilter();
}

// One application-wide filter serves both the running scan and the end of a
// cancelled logging off; it is installed only while one of them needs it.
void MainWindow::UpdateInputFilter() {
  if (m_scanning || m_sessionEnding)
    qApp->installEventFilter(this);  // installing again does not add it twice
  else
    qApp->removeEventFilter(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // While a scan runs the window answers but acts on no command; Cancel
  // stops the scan.
  if (m_scanning) {
    event->ignore();
    return;
  }
  if (m_sessionEnding || m_frame->OnClose()) {
    // A search still running ends with the window.
    if (m_searchWindow) m_searchWindow->close();
    if (m_changesWindow) m_changesWindow->close();
    event->accept();
  } else {
    event->ignore();
  }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  m_frame->OnSize(width());
}

int MainWindow::MessageBox(std::string_view text, std::string_view caption, UINT type) {
  // A box lets the window paint: the marks and labels the batch held back
  // show as they now are.
  m_model->FlushBatch();
  QMessageBox box(this);
  box.setWindowTitle(Q(caption));
  // A path or a search text is quoted as it is, never read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setText(Q(text));
  if (text.find('\t') != std::string_view::npos) AlignTabColumn(box);
  switch (type & MB_ICONMASK) {
    case MB_ICONSTOP:
      box.setIcon(QMessageBox::Critical);
      break;
    case MB_ICONQUESTION:
      box.setIcon(QMessageBox::Question);
      break;
    case MB_ICONEXCLAMATION:
      box.setIcon(QMessageBox::Warning);
      break;
    case MB_ICONINFORMATION:
      box.setIcon(QMessageBox::Information);
      break;
    default:
      break;
  }
  switch (type & MB_TYPEMASK) {
    case MB_YESNOCANCEL:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case MB_YESNO:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      if ((type & MB_DEFMASK) == MB_DEFBUTTON2) box.setDefaultButton(QMessageBox::No);
      break;
    default:
      box.setStandardButtons(QMessageBox::Ok);
  }
  FitCaptionAndCentre(box);
  if (m_waitDepth > 0) QApplication::setOverrideCursor(Qt::ArrowCursor);
  const int answer = box.exec();
  if (m_waitDepth > 0) QApplication::restoreOverrideCursor();
  switch (answer) {
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    case QMessageBox::Ok:
      return IDOK;
    default:
      return IDCANCEL;
  }
}

void MainWindow::SetStatusText(int part, std::string_view text, UINT flags) {
  if (part < 0 || part > 1) return;
  m_statusParts[part]->setText(OneLineText(Q(text)));
  if (part == 0)
    m_statusParts[0]->setFrameStyle((flags & SBT_NOBORDERS) ? QFrame::NoFrame
                                                            : QFrame::Panel | QFrame::Sunken);
}

void MainWindow::SetStatusParts(const std::vector<int>& rightEdges) {
  m_statusEdges = rightEdges;
  if (!rightEdges.empty() && rightEdges[0] >= 0) m_statusParts[0]->setFixedWidth(rightEdges[0]);
}

void MainWindow::SetWindowText(std::string_view caption) { setWindowTitle(Q(caption)); }

void MainWindow::BeginWaitCursor() {
  if (m_waitDepth++ == 0) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_model->BeginBatch();
    m_progressClock.invalidate();
    m_commandClock.start();
  }
}

void MainWindow::EndWaitCursor() {
  if (m_waitDepth == 0 || --m_waitDepth > 0) return;
  m_model->EndBatch();
  // The panel goes last, once nothing refers to it: deleting it sends events
  // that pass through the input filter.
  std::unique_ptr<ScanProgressPanel> progress(std::exchange(m_progressPanel, nullptr));
  // A click on Cancel gave the panel the focus; the tree takes it back, so
  // the keys work on it again without a click.
  const bool panelHadFocus = progress && progress->isAncestorOf(focusWidget());
  const bool wasScanning = m_scanning;
  m_scanning = m_scanCancelled = false;
  if (wasScanning) UpdateInputFilter();
  progress.reset();
  if (panelHadFocus) m_view->setFocus();
  QApplication::restoreOverrideCursor();
}

// About ten times a second the window paints and answers the window manager;
// the event filter keeps the user's input from reaching any command. After a
// moment the progress window shows, with its Cancel button.
bool MainWindow::ShowScanProgress(std::string_view path, const ScanCounts& counts) {
  if (m_progressClock.isValid() && m_progressClock.elapsed() < kProgressIntervalMs)
    return !m_scanCancelled;
  m_progressClock.start();
  if (!m_scanning) {
    m_scanning = true;
    UpdateInputFilter();
  }
  if (!m_progressPanel && m_commandClock.elapsed() >= kProgressPanelDelayMs) {
    m_progressPanel = new ScanProgressPanel(this);
    connect(m_progressPanel, &ScanProgressPanel::cancelRequested, this,
            [this] { m_scanCancelled = true; });
    QApplication::changeOverrideCursor(Qt::BusyCursor);  // the Cancel button can be used
  }
  if (m_progressPanel) m_progressPanel->Show(path, counts);
  // The window paints while the scan runs: the expand buttons and marks the
  // batch held back show as they now are.
  m_model->FlushBatch();
  QCoreApplication::processEvents();
  return !m_scanCancelled;
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (m_sessionEnding) {
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::NonClientAreaMouseButtonPress:
        m_sessionEnding = false;
        UpdateInputFilter();
        break;
      default:
        break;
    }
  }
  if (!m_scanning) return false;
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return false;
  // The progress panel's Cancel button is the one control that stays alive.
  if (m_progressPanel && (widget == m_progressPanel || m_progressPanel->isAncestorOf(widget)))
    return false;
  switch (event->type()) {
    case QEvent::KeyPress:
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_scanCancelled = true;
      return true;
    case QEvent::ShortcutOverride:
      event->accept();  // taken here, so no shortcut fires
      return true;
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Drop:
      return true;
    default:
      return false;
  }
}

bool MainWindow::BrowseForFolder(std::string_view title, std::string& path) {
  const QString dir =
      QFileDialog::getExistingDirectory(this, Q(title), QString(), QFileDialog::ShowDirsOnly);
  if (dir.isEmpty()) return false;
  // Native separators: a Windows catalogue shows "C:\Docs", as its users expect.
  path = QDir::toNativeSeparators(QDir::cleanPath(QFileInfo(dir).absoluteFilePath())).toStdString();
  return true;
}

bool MainWindow::RunFileDialog(const FileDialogOptions& options, bool save, std::string& path) {
  QFileDialog dialog(this, Q(options.title));
  dialog.setObjectName(save ? "saveDialog" : "openDialog");
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode((options.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                         : QFileDialog::AnyFile);
  QStringList filters;
  for (const auto& f : options.filters) filters << FilterText(f);
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(filters);
  if (!options.defaultExt.empty()) dialog.setDefaultSuffix(Q(options.defaultExt));
  dialog.setOption(QFileDialog::DontConfirmOverwrite, !(options.flags & OFN_OVERWRITEPROMPT));
  dialog.selectFile(Q(options.initialName));
  for (;;) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QFileInfo chosen(dialog.selectedFiles().first());
    if ((options.flags & OFN_PATHMUSTEXIST) && !chosen.absoluteDir().exists()) {
      QMessageBox::warning(
          &dialog, dialog.windowTitle(),
          chosen.absolutePath() + "\nPath does not exist.\nCheck the path and try again.");
      continue;
    }
    if ((options.flags & OFN_CREATEPROMPT) && !chosen.exists() &&
        QMessageBox::question(
            &dialog, dialog.windowTitle(),
            chosen.fileName() + "\nThis file does not exist.\nDo you want to create it?") !=
            QMessageBox::Yes)
      continue;
    path = QDir::toNativeSeparators(QDir::cleanPath(chosen.absoluteFilePath())).toStdString();
    return true;
  }
}

bool MainWindow::GetSaveFileName(const FileDialogOptions& options, std::string& path) {
  return RunFileDialog(options, true, path);
}

bool MainWindow::GetOpenFileName(const FileDialogOptions& options, std::string& path) {
  return RunFileDialog(options, false, path);
}

UINT MainWindow::TrackPopupMenu(const std::vector<PopupMenuItem>& items, POINT screen) {
  QMenu menu(this);
  menu.setObjectName("branchMenu");
  for (const PopupMenuItem& item : items) {
    if (item.id == 0) {
      menu.addSeparator();
      continue;
    }
    QAction* action = menu.addAction(Q(item.text));
    action->setData(item.id);
    action->setEnabled(!item.grayed);
  }
  QAction* chosen = menu.exec(QPoint(screen.x, screen.y));
  return chosen ? chosen->data().toUInt() : 0;
}

int MainWindow::RunFindDialog(FindDialogData& data) { return ::RunFindDialog(this, data); }

void MainWindow::SetFocusToTree() { m_view->setFocus(); }

TVHITTESTINFO MainWindow::HitTestTree(POINT screen) {
  return m_view->HitTest(m_view->viewport()->mapFromGlobal(QPoint(screen.x, screen.y)));
}

POINT MainWindow::GetMessagePos() { return m_messagePos; }
