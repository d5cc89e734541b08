// The branch menu through the real tree view. Mouse events go through the
// window system layer, as a user's would, so that a right button press
// produces its context-menu event the way the platform does.
#define QTEST_QPA_MOUSE_HANDLING

#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/resource.h"
#include "gui/tree_model.h"
#include "gui/tree_view.h"
#include "gui_support.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"

namespace {

struct PopupRecord {
  bool shown = false;
  QStringList texts;    // "" for a separator
  QList<bool> enabled;  // false for a separator
};

// Runs `request` and watches for the branch menu meanwhile; a menu that
// shows is recorded, then `choose` is clicked in it (empty: Escape).
PopupRecord WithBranchMenu(const QString& choose, const std::function<void()>& request) {
  PopupRecord record;
  QTimer timer;
  timer.setInterval(5);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible() || menu->objectName() != "branchMenu") return;
    timer.stop();
    record.shown = true;
    QAction* target = nullptr;
    for (QAction* a : menu->actions()) {
      record.texts << (a->isSeparator() ? QString() : a->text());
      record.enabled << (!a->isSeparator() && a->isEnabled());
      if (!choose.isEmpty() && a->text() == choose) target = a;
    }
    if (target && target->isEnabled())
      QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(target).center());
    else
      QTest::keyClick(menu, Qt::Key_Escape);
  });
  timer.start();
  request();
  QTest::qWait(30);  // a menu that would open late still gets seen
  return record;
}

class ContextMenuGui : public ::testing::Test, protected WindowFixture {
 protected:
  void SetUp() override {
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    top = AddFolder(tree, "/data", TVI_ROOT, 1, {0, 0});
    sub = AddFolder(tree, "sub", top);
    marked = AddFile(tree, "a.txt   2048 bytes, 01/02/2003-10:30", 2048, sub);
    unmarked = AddFile(tree, "b.txt   100 bytes, 01/02/2003-10:30", 100, sub);
    beside = AddFile(tree, "c.txt   10 bytes, 01/02/2003-10:30", 10, top);
    tree.Expand(top, TVE_EXPAND);
    tree.Expand(sub, TVE_EXPAND);
    w.Frame().ToggleSelect(marked);
    w.Frame().m_bModified = false;
    tree.SelectItem(beside);
    QTest::qWait(20);
  }

  QRect Row(HTREEITEM item) const { return w.View()->visualRect(w.Model()->IndexOf(item)); }
  TreeItemDelegate::Parts Parts(HTREEITEM item) const {
    const QModelIndex index = w.Model()->IndexOf(item);
    return TreeItemDelegate::Layout(Row(item), index.data(TreeItemModel::DepthRole).toInt(),
                                    w.View()->fontMetrics(), index.data().toString(),
                                    tree.GetStateImage(item));
  }

  PopupRecord RightClick(QPoint at, const QString& choose = {}) {
    return WithBranchMenu(
        choose, [&] { QTest::mouseClick(w.View()->viewport(), Qt::RightButton, {}, at); });
  }

  HTREEITEM top = nullptr, sub = nullptr, marked = nullptr, unmarked = nullptr, beside = nullptr;
};

// A right button press must not move the selection either: only the menu
// selects, and only the node it opens on.
TEST_F(ContextMenuGui, NoMenuOffTheIconAndTheLabel) {
  const struct {
    const char* where;
    QPoint at;
    UINT flags;
  } cases[] = {
      {"mark box", Parts(marked).state.center(), TVHT_ONITEMSTATEICON},
      {"expand button",
       QPoint(Row(sub).left() + TreeItemDelegate::Indentation(1) - w.View()->indentation() / 2,
              Row(sub).center().y()),
       TVHT_ONITEMBUTTON},
      {"right of the label", QPoint(Parts(marked).label.right() + 30, Row(marked).center().y()),
       TVHT_ONITEMRIGHT},
      {"below every node", QPoint(Row(beside).left() + 40, Row(beside).bottom() + 40),
       TVHT_NOWHERE},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(w.View()->HitTest(c.at).flags, c.flags) << c.where;
    tree.SelectItem(beside);
    const QString status = w.StatusPart(0)->text();
    const PopupRecord menu = RightClick(c.at);
    EXPECT_FALSE(menu.shown) << c.where;
    EXPECT_EQ(tree.GetSelectedItem(), beside) << c.where;
    EXPECT_EQ(w.StatusPart(0)->text().toStdString(), status.toStdString()) << c.where;
  }
  EXPECT_EQ(tree.GetCount(), 5u);
}

TEST_F(ContextMenuGui, FileInfoIsGreyedOnFoldersUpdateOnFiles) {
  const struct {
    const char* what;
    HTREEITEM node;
    bool onIcon;
    bool fileInfo;
  } cases[] = {
      {"chosen folder", top, false, false},
      {"folder", sub, true, false},
      {"file", unmarked, false, true},
  };
  for (const auto& c : cases) {
    const auto parts = Parts(c.node);
    const PopupRecord menu = RightClick(c.onIcon ? parts.image.center() : parts.label.center());
    ASSERT_TRUE(menu.shown) << c.what;
    EXPECT_EQ(menu.texts, (QStringList{"&Prune this branch", "", "Save &Branch",
                                       "&Update from Disk", "", "File Info"}));
    EXPECT_EQ(menu.enabled, (QList<bool>{true, false, true, !c.fileInfo, false, c.fileInfo}))
        << c.what;
    EXPECT_EQ(tree.GetSelectedItem(), c.node) << "selected before the menu, kept after it";
  }
  EXPECT_EQ(tree.GetCount(), 5u);
  EXPECT_FALSE(w.Frame().m_bModified);
}

TEST_F(ContextMenuGui, PruneThroughTheMenuRecomputesTheFolders) {
  ASSERT_EQ(tree.GetStateImage(sub), 3);
  ASSERT_EQ(w.StatusPart(1)->text(), "Selected: 2,048 bytes (1 files)");
  const PopupRecord menu = RightClick(Parts(marked).label.center(), "&Prune this branch");
  ASSERT_TRUE(menu.shown);
  EXPECT_EQ(tree.GetCount(), 4u);
  EXPECT_EQ(tree.GetChildItem(sub), unmarked);
  EXPECT_EQ(tree.GetStateImage(sub), 1) << "partly marked before, unmarked now";
  EXPECT_EQ(tree.GetStateImage(top), 1);
  EXPECT_EQ(w.StatusPart(1)->text(), "Selected: 0 bytes (0 files)");
  EXPECT_TRUE(w.Frame().m_bModified);
  // The view follows: one row left in the folder, still open, and the
  // selection on the node the control chose.
  EXPECT_EQ(w.Model()->IndexOf(unmarked).row(), w.Model()->IndexOf(sub).row() + 1);
  EXPECT_TRUE(tree.GetItemState(sub, TVIS_EXPANDED));
  EXPECT_EQ(tree.GetSelectedItem(), unmarked);
  EXPECT_EQ(TreeItemModel::ItemOf(w.View()->currentIndex()), unmarked);
  EXPECT_EQ(w.StatusPart(0)->text(), "/data/sub/b.txt   100 bytes, 01/02/2003-10:30");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr) << "the wait cursor is gone";
}

TEST_F(ContextMenuGui, FileInfoShowsItsMessageBox) {
  QString text, caption;
  AnswerMessageBox(QMessageBox::Ok, &text, &caption);
  const PopupRecord menu = RightClick(Parts(unmarked).label.center(), "File Info");
  ASSERT_TRUE(menu.shown);
  EXPECT_EQ(caption, "Extra File Info");
  EXPECT_EQ(text, QString::fromStdString(tree.GetItemData(unmarked)->GetInfoText()));
  EXPECT_EQ(tree.GetCount(), 5u);
}

TEST_F(ContextMenuGui, KeyboardRequestOpensNoMenu) {
  TreeView* view = w.View();
  view->setFocus();
  tree.SelectItem(unmarked);
  QTest::qWait(10);
  const QPoint at = Parts(unmarked).label.center();
  const PopupRecord plain = WithBranchMenu({}, [&] {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
  });
  EXPECT_FALSE(plain.shown);

  // Also with the window placed so that the screen point (-1, -1) lies on a
  // node's label.
  const QPoint onScreen = view->viewport()->mapToGlobal(at);
  w.move(w.pos() + QPoint(-1, -1) - onScreen);
  QTest::qWait(20);
  if (view->HitTest(view->viewport()->mapFromGlobal(QPoint(-1, -1))).flags != TVHT_ONITEMLABEL)
    GTEST_SKIP() << "the platform did not move the window";
  const PopupRecord moved = WithBranchMenu({}, [&] {
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, QPoint(-1, -1));
    QApplication::sendEvent(view->viewport(), &event);
  });
  EXPECT_FALSE(moved.shown);
  EXPECT_EQ(tree.GetSelectedItem(), unmarked);
}

TEST_F(ContextMenuGui, SaveBranchOfAFileWritesItsAncestorsAndTheFile) {
  const std::string path = dir.filePath("branch.ztr").toStdString();
  const QString title = w.windowTitle();
  w.Frame().m_bModified = true;
  QString dialogTitle;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (!dialog) return;
    dialogTitle = dialog->windowTitle();
    AnswerMessageBox(QMessageBox::Yes);  // create the new file
    PickFile(dialog, QString::fromStdString(path));
    static_cast<QDialog*>(dialog)->accept();  // as the Save button does
  });
  const PopupRecord menu = RightClick(Parts(marked).label.center(), "Save &Branch");
  ASSERT_TRUE(menu.shown);
  EXPECT_EQ(dialogTitle, "Save the current Directory Tree");

  ScriptedHost host;
  MemoryProfile profile;
  CMainFrame reader(host, profile);
  reader.LoadTree(path);
  CTreeCtrl& saved = reader.Tree();
  HTREEITEM savedTop = saved.GetRootItem();
  ASSERT_NE(savedTop, nullptr);
  EXPECT_EQ(saved.GetItemText(savedTop), "/data");
  EXPECT_EQ(saved.GetNextSiblingItem(savedTop), nullptr);
  HTREEITEM savedSub = saved.GetChildItem(savedTop);
  ASSERT_NE(savedSub, nullptr);
  EXPECT_EQ(saved.GetItemText(savedSub), "sub");
  EXPECT_EQ(saved.GetNextSiblingItem(savedSub), nullptr) << "c.txt is not in the branch";
  HTREEITEM savedFile = saved.GetChildItem(savedSub);
  ASSERT_NE(savedFile, nullptr);
  EXPECT_EQ(saved.GetItemText(savedFile), tree.GetItemText(marked));
  EXPECT_EQ(saved.GetNextSiblingItem(savedFile), nullptr) << "b.txt is not in the branch";
  ASSERT_NE(saved.GetItemData(savedFile), nullptr);
  EXPECT_EQ(saved.GetItemData(savedFile)->m_nFileSize, 2048);
  EXPECT_EQ(saved.GetStateImage(savedFile), 2);
  EXPECT_EQ(saved.GetCount(), 3u);

  EXPECT_EQ(tree.GetCount(), 5u);
  EXPECT_EQ(w.windowTitle(), title) << "the window's tree file stays what it was";
  EXPECT_TRUE(w.Frame().m_bModified);
}

// Over the file the open tree came from, Save Branch asks first (No by
// default); after Yes the tree is in no file: untitled, and closing asks. A
// failed Save As keeps the name.
TEST_F(ContextMenuGui, SaveBranchOverTheOpenFileAsksAndLeavesTheTreeUnsaved) {
  const std::string path = dir.filePath("open.ztr").toStdString();
  w.Frame().SaveTree(path, nullptr);
  w.Frame().UpdateCaption(&path);
  const QString title = w.windowTitle(), full = dir.filePath("full.ztr");
  QFile::link("/dev/full", full);
  {
    DialogAnswers failing(full, QMessageBox::Ok);
    w.MenuAction(ID_FILE_SAVE_AS)->trigger();
    EXPECT_EQ(failing.seen.value(1), "Disk full while accessing " + full + ".");
    EXPECT_EQ(w.windowTitle(), title);
  }
  for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
    DialogAnswers answers(QString::fromStdString(path), answer);
    ASSERT_TRUE(RightClick(Parts(marked).label.center(), "Save &Branch").shown);
    EXPECT_EQ(answers.seen.value(1).toStdString(),
              path + " holds the open directory tree.\nReplace it with this branch only? [No]");
    ScriptedHost host;
    MemoryProfile profile;
    CMainFrame reader(host, profile);
    reader.LoadTree(path);
    EXPECT_EQ(reader.Tree().GetCount(), answer == QMessageBox::Yes ? 3u : 5u);
    EXPECT_EQ(w.windowTitle() != title, w.Frame().m_bModified);
  }
  DialogAnswers closing({}, QMessageBox::Cancel);
  EXPECT_FALSE(w.close());
  EXPECT_EQ(closing.seen, QStringList("Save current directory tree?"));
}

}  // namespace
