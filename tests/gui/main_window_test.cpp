#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>

#include "app/resource.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "support/tree_builder.h"

namespace {

class MainWindowGui : public ::testing::Test, protected WindowFixture {};

TEST_F(MainWindowGui, MenusCarryTheirTextsAndOnlyHandledCommandsAreEnabled) {
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
      {ID_SEARCH_CATALOGUES, "Search &Catalogues...\tCtrl+Shift+F", true},
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
  } buttons[] = {{ID_FILE_NEW, "New", true},
                 {ID_FILE_OPEN, "Open", true},
                 {ID_FILE_SAVE, "Save", true},
                 {ID_EDIT_CUT, "Cut", false},
                 {ID_EDIT_COPY, "Copy", false},
                 {ID_EDIT_PASTE, "Paste", false},
                 {ID_FILE_PRINT, "Print", false},
                 {ID_APP_ABOUT, "About", true},
                 {ID_SEARCH_CATALOGUES, "Search Catalogues", true}};
  for (const auto& b : buttons) {
    QAction* a = w.ToolbarAction(b.id);
    ASSERT_NE(a, nullptr) << b.tip;
    EXPECT_EQ(a->toolTip(), b.tip);
    EXPECT_EQ(a->isEnabled(), b.enabled) << b.tip;
  }
  EXPECT_EQ(w.ToolBar()->actions().size(), 13) << "nine buttons and four gaps";
}

TEST_F(MainWindowGui, ViewMenuShowsAndHidesTheBars) {
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

TEST_F(MainWindowGui, StatusSplitFollowsTheWidth) {
  for (auto [width, edge] : {std::pair{400, 200}, {401, 201}, {1000, 800}}) {
    w.Frame().OnSize(width);
    EXPECT_EQ(w.StatusEdges(), (std::vector<int>{edge, -1})) << width;
    EXPECT_EQ(w.StatusPart(0)->width(), edge);
  }
}

TEST_F(MainWindowGui, CaptionWithAndWithoutATreeFile) {
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project");
  const std::string path = "/home/u/a.ztr";
  w.Frame().UpdateCaption(&path);
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project - [/home/u/a.ztr]");
  EXPECT_EQ(w.Frame().m_strTreeFile, path);
  w.Frame().UpdateCaption(nullptr);
  EXPECT_EQ(w.windowTitle(), "Directory Listing Viewer - ZTR Project");
}

TEST_F(MainWindowGui, FindOptionsAreReadAndWrittenBack) {
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
    const TempSettings settings{QByteArray(c.initial)};
    {
      QtProfileStore profile(settings.path);
      MainWindow window(profile);
      EXPECT_EQ(window.Frame().m_bExactMatch, c.exact) << c.initial;
      EXPECT_EQ(window.Frame().m_bIgnoreCase, c.ignore) << c.initial;
    }
    QSettings written(settings.path, QSettings::IniFormat);
    EXPECT_EQ(written.value("Find/ExactMatch").toString(), QString(c.writtenExact));
    EXPECT_EQ(written.value("Find/IgnoreCase").toString(), QString(c.writtenIgnore));
  }
}

TEST_F(MainWindowGui, ClosePromptCancelKeepsTheWindowNoCloses) {
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

TEST_F(MainWindowGui, UnchangedTreeClosesWithoutAsking) {
  w.show();
  EXPECT_TRUE(w.close());
}

TEST_F(MainWindowGui, ClickOnTheMarkBoxTogglesAndOnTheLabelDoesNot) {
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  HTREEITEM top = AddFolder(tree, "/data", TVI_ROOT, 1, {0, 0});
  HTREEITEM file = AddFile(tree, "a.txt   2048 bytes, 01/02/2003-10:30", 2048, top);
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

TEST_F(MainWindowGui, SpaceInTheTreeTogglesTheSelectedNode) {
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  HTREEITEM top = AddFolder(tree, "/data", TVI_ROOT, 1, {0, 0});
  AddFile(tree, "a", 10, top);
  AddFile(tree, "b", 20, top);
  tree.SelectItem(top);
  w.View()->setFocus();
  QTest::keyClick(w.View(), Qt::Key_Space);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 2);
  EXPECT_EQ(w.Frame().m_nMarkedBytes, 30);
  EXPECT_EQ(tree.GetSelectedItem(), top) << "the key does not reach the tree view";
  QTest::keyClick(w.View(), Qt::Key_Space);
  EXPECT_EQ(w.Frame().m_nMarkedFiles, 0);
}

TEST_F(MainWindowGui, Screenshot) {
  HTREEITEM top = AddFolder(tree, "/home/user/Documents", TVI_ROOT, 1, {0, 0});
  HTREEITEM sub = AddFolder(tree, "Letters", top);
  AddFile(tree, "dear-john.txt   5120 bytes, 01/02/2003-10:30", 5120, sub);
  AddFolder(tree, "Photos", top);
  HTREEITEM hidden = AddFolder(tree, "Private", top, 1, {3, 4});
  AddFolder(tree, "locked [Permission denied]", top);
  tree.SetItemState(tree.GetNextSiblingItem(hidden), INDEXTOSTATEIMAGEMASK(4), TVIS_STATEIMAGEMASK);
  AddFile(tree, "report.pdf   1048576 bytes, 03/03/2003-14:05", 1048576, top);
  AddFile(tree, "notes.txt   42 bytes, 15/03/2003-10:22", 42, top);
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
