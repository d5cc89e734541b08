#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QTest>
#include <QStatusBar>
#include <QToolBar>

#include "gui/tree_model.h"

#include "app/resource.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "tree/tree_item.h"

namespace {

TEST(MainWindowGui, MenusCarryTheirTextsAndOnlyHandledCommandsAreEnabled) {
  WindowFixture f;
  MainWindow& w = *f.window;
  const struct {
    UINT id;
    const char* text;
    bool enabled;
  } items[] = {
      {ID_FILE_NEW, "&New\tCtrl+N", true},
      {ID_FILE_OPEN, "&Open...\tCtrl+O", true},
      {ID_FILE_SAVE, "&Save\tCtrl+S", true},
      {ID_FILE_SAVE_AS, "Save &As...", true},
      {ID_APP_EXIT, "E&xit", true},
      {ID_EDIT_FIND, "Find ...\tCtrl-F", true},
      {ID_FIND_NEXT, "Find Next\tF3", true},
      {ID_TOGGLE_SELECT, "Toggle Select\t<Space Bar>", true},
      {ID_VIEW_TOOLBAR, "&Toolbar", true},
      {ID_VIEW_STATUS_BAR, "&Status Bar", true},
      {ID_WINDOW_SPLIT, "S&plit", false},
      {ID_APP_ABOUT, "&About ZTR...", true},
  };
  for (const auto& item : items) {
    QAction* a = w.MenuAction(item.id);
    ASSERT_NE(a, nullptr) << item.text;
    EXPECT_EQ(a->text(), item.text);
    EXPECT_EQ(a->isEnabled(), item.enabled) << item.text;
  }
  QStringList titles;
  for (QAction* a : w.menuBar()->actions()) titles << a->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));

  const struct {
    UINT id;
    const char* tip;
    bool enabled;
  } buttons[] = {{ID_FILE_NEW, "New", true},    {ID_FILE_OPEN, "Open", true},
                 {ID_FILE_SAVE, "Save", true},  {ID_EDIT_CUT, "Cut", false},
                 {ID_EDIT_COPY, "Copy", false}, {ID_EDIT_PASTE, "Paste", false},
                 {ID_FILE_PRINT, "Print", false}, {ID_APP_ABOUT, "About", true}};
  for (const auto& b : buttons) {
    QAction* a = w.ToolbarAction(b.id);
    ASSERT_NE(a, nullptr) << b.tip;
    EXPECT_EQ(a->toolTip(), b.tip);
    EXPECT_EQ(a->isEnabled(), b.enabled) << b.tip;
  }
  EXPECT_EQ(w.ToolBar()->actions().size(), 11) << "eight buttons and three gaps";
}

TEST(MainWindowGui, ViewMenuShowsAndHidesTheBars) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  QAction* toolbar = w.MenuAction(ID_VIEW_TOOLBAR);
  QAction* status = w.MenuAction(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(toolbar->isChecked());
  toolbar->trigger();
  EXPECT_FALSE(w.ToolBar()->isVisible());
  status->trigger();
  EXPECT_FALSE(w.statusBar()->isVisible());
  status->trigger();
  EXPECT_TRUE(w.statusBar()->isVisible());
}

TEST(MainWindowGui, StatusSplitFollowsTheWidth) {
  WindowFixture f;
  MainWindow& w = *f.window;
  for (auto [width, edge] : {std::pair{400, 200}, {401, 201}, {1000, 800}}) {
    w.Frame().OnSize(width);
    EXPECT_EQ(w.StatusEdges(), (std::vector<int>{edge, -1})) << width;
    EXPECT_EQ(w.StatusPart(0)->width(), edge);
  }
}

TEST(MainWindowGui, CaptionWithAndWithoutATreeFile) {
  WindowFixture f;
  MainWindow& w = *f.window;
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project");
  const std::string path = "/home/u/a.ztr";
  w.Frame().UpdateCaption(&path);
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project - [/home/u/a.ztr]");
  EXPECT_EQ(w.Frame().m_strTreeFile, path);
  w.Frame().UpdateCaption(nullptr);
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project");
}

TEST(MainWindowGui, FindOptionsAreReadAndWrittenBack) {
  struct Case {
    const char* initial;  // contents of the settings file
    bool exact, ignore;
    const char* writtenExact;
    const char* writtenIgnore;
  };
  const Case cases[] = {
      {"", false, true, "0", "1"},
      {"[Find]\nExactMatch=5\nIgnoreCase=0\n", true, false, "1", "0"},
      {"[Find]\nExactMatch=garbage\n", false, true, "0", "1"},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    const QString path = dir.filePath("ZTR.conf");
    {
      QFile file(path);
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(c.initial);
    }
    {
      QtProfileStore profile(path);
      MainWindow window(profile);
      EXPECT_EQ(window.Frame().m_bExactMatch, c.exact) << c.initial;
      EXPECT_EQ(window.Frame().m_bIgnoreCase, c.ignore) << c.initial;
    }
    QSettings written(path, QSettings::IniFormat);
    EXPECT_EQ(written.value("Find/ExactMatch").toString(), QString(c.writtenExact));
    EXPECT_EQ(written.value("Find/IgnoreCase").toString(), QString(c.writtenIgnore));
  }
}

TEST(MainWindowGui, ClosePromptCancelKeepsTheWindowNoCloses) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  w.Frame().m_bModified = true;
  QString text, caption;
  AnswerMessageBox(QMessageBox::Cancel, &text, &caption);
  EXPECT_FALSE(w.close());
  EXPECT_EQ(text, "Save current directory tree?");
  EXPECT_EQ(caption, "Directory List Viewer");
  EXPECT_TRUE(w.isVisible());
  AnswerMessageBox(QMessageBox::No);
  EXPECT_TRUE(w.close());
  EXPECT_FALSE(w.isVisible());
}

TEST(MainWindowGui, UnchangedTreeClosesWithoutAsking) {
  WindowFixture f;
  f.window->show();
  EXPECT_TRUE(f.window->close());
}

// Builds a small catalogue straight into the tree.
HTREEITEM AddNode(CTreeCtrl& tree, HTREEITEM parent, const char* label, int image, int64_t size = -1) {
  CTreeItemData* data = nullptr;
  if (size >= 0) {
    data = new CTreeItemData;
    data->m_nFileSize = size;
  }
  return tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE | TVIF_PARAM,
                         label, image, image == 1 ? 2 : image, INDEXTOSTATEIMAGEMASK(1),
                         TVIS_STATEIMAGEMASK, data, parent, TVI_LAST);
}

TEST(MainWindowGui, ClickOnTheMarkBoxTogglesAndOnTheLabelDoesNot) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  CTreeCtrl& tree = w.Frame().Tree();
  HTREEITEM top = AddNode(tree, TVI_ROOT, "/data", 0);
  HTREEITEM file = AddNode(tree, top, "a.txt   2048 bytes, 01/02/2003-10:30", 5, 2048);
  tree.Expand(top, TVE_EXPAND);
  QTest::qWait(20);
  TreeView* view = w.View();
  const QRect row = view->visualRect(w.Model()->IndexOf(file));
  ASSERT_TRUE(row.isValid());
  const auto parts = TreeItemDelegate::Layout(row, 1, view->fontMetrics(), "a.txt", 1);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, parts.label.center());
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 0);
  EXPECT_EQ(tree.GetSelectedItem(), file);
  EXPECT_EQ(w.StatusPart(0)->text(), "/data/a.txt   2048 bytes, 01/02/2003-10:30");
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, parts.image.center());
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 0);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, parts.state.center());
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 1);
  EXPECT_EQ(w.StatusPart(1)->text(), "Selected: 2,048 bytes (1 files)");
  EXPECT_EQ(tree.GetStateImage(top), 2);
}

TEST(MainWindowGui, SpaceInTheTreeTogglesTheSelectedNode) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  CTreeCtrl& tree = w.Frame().Tree();
  HTREEITEM top = AddNode(tree, TVI_ROOT, "/data", 0);
  AddNode(tree, top, "a", 5, 10);
  AddNode(tree, top, "b", 5, 20);
  tree.SelectItem(top);
  w.View()->setFocus();
  QTest::keyClick(w.View(), Qt::Key_Space);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 2);
  EXPECT_EQ(w.Frame().m_nMarkedBytes, 30);
  EXPECT_EQ(tree.GetSelectedItem(), top) << "the key does not reach the tree view";
  QTest::keyClick(w.View(), Qt::Key_Space);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 0);
}

TEST(MainWindowGui, Screenshot) {
  WindowFixture f;
  MainWindow& w = *f.window;
  CTreeCtrl& tree = w.Frame().Tree();
  HTREEITEM top = AddNode(tree, TVI_ROOT, "/home/user/Documents", 0);
  HTREEITEM sub = AddNode(tree, top, "Letters", 1);
  AddNode(tree, sub, "dear-john.txt   5120 bytes, 01/02/2003-10:30", 5, 5120);
  AddNode(tree, top, "Photos", 1);
  HTREEITEM hidden = tree.InsertItem(TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE,
                                     "Private", 3, 4, INDEXTOSTATEIMAGEMASK(1), TVIS_STATEIMAGEMASK,
                                     nullptr, top, TVI_LAST);
  (void)hidden;
  AddNode(tree, top, "locked [Permission denied]", 1);
  tree.SetItemState(tree.GetNextSiblingItem(hidden), INDEXTOSTATEIMAGEMASK(4), TVIS_STATEIMAGEMASK);
  AddNode(tree, top, "report.pdf   1048576 bytes, 03/03/2003-14:05", 5, 1048576);
  AddNode(tree, top, "notes.txt   42 bytes, 15/03/2003-10:22", 5, 42);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  tree.Expand(top, TVE_EXPAND);
  tree.Expand(sub, TVE_EXPAND);
  w.Frame().ToggleSelect(sub);
  tree.SelectItem(tree.GetChildItem(sub));
  QTest::qWait(50);
  const QString out = qEnvironmentVariable("ZTR_SCREENSHOT", "/tmp/ztr-window.png");
  EXPECT_TRUE(w.grab().save(out));
}

}  // namespace
