#include "gui/tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTest>
#include <functional>

#include "app/main_frame.h"
#include "app/null_frame_host.h"
#include "gui/gui_support.h"
#include "gui/tree_view.h"

namespace {

HTREEITEM Add(CTreeCtrl& tree, HTREEITEM parent, const char* text, HTREEITEM after = TVI_LAST) {
  return tree.InsertItem(TVIF_TEXT | TVIF_STATE, text, 0, 0, INDEXTOSTATEIMAGEMASK(1),
                         TVIS_STATEIMAGEMASK, nullptr, parent, after);
}

// The rows on show, each label after a dot per level.
QString Shown(const TreeItemModel& model) {
  QStringList rows;
  for (int r = 0; r < model.rowCount(); ++r) {
    const QModelIndex i = model.index(r, 0);
    rows << QString(i.data(TreeItemModel::DepthRole).toInt(), '.') + i.data().toString();
  }
  return rows.join(' ');
}

// Every change the commands make to an expanded tree reaches the view as
// rows, and Qt's index bookkeeping stays right throughout.
TEST(TreeModelGui, ShowsTheRightRowsThroughChangesToAnExpandedTree) {
  NullFrameHost host;
  NullProfileStore profile;
  CMainFrame frame(host, profile);
  CTreeCtrl& tree = frame.Tree();
  TreeItemModel model(tree);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  TreeView view;
  view.SetTreeModel(&model);
  view.show();

  HTREEITEM a = Add(tree, TVI_ROOT, "a");
  HTREEITEM a1 = Add(tree, a, "a1");
  HTREEITEM a2 = Add(tree, a, "a2");
  HTREEITEM x = Add(tree, a2, "x");
  Add(tree, a2, "y");
  HTREEITEM b = Add(tree, TVI_ROOT, "b");
  Add(tree, b, "b1");
  const struct {
    const char* what;
    std::function<void()> change;
    QString rows;
  } steps[] = {
      {"expand a's branch", [&] { tree.ExpandBranch(a); }, "a .a1 .a2 ..x ..y b"},
      {"insert in an open folder", [&] { Add(tree, a2, "x2", x); }, "a .a1 .a2 ..x ..x2 ..y b"},
      {"insert in a closed one", [&] { Add(tree, b, "b2"); }, "a .a1 .a2 ..x ..x2 ..y b"},
      {"expand b", [&] { tree.Expand(b, TVE_EXPAND); }, "a .a1 .a2 ..x ..x2 ..y b .b1 .b2"},
      {"prune a2", [&] { frame.PruneBranch(a2); }, "a .a1 b .b1 .b2"},
      {"a new top node", [&] { Add(tree, TVI_ROOT, "c", TVI_FIRST); }, "c a .a1 b .b1 .b2"},
      {"collapse a, selection inside",
       [&] {
         tree.SelectItem(a1);
         tree.Expand(a, TVE_COLLAPSE);
         EXPECT_EQ(TreeItemModel::ItemOf(view.currentIndex()), a) << "the selection comes out";
       },
       "c a b .b1 .b2"},
      {"clear", [&] { tree.DeleteAllItems(); }, ""},
      {"insert after a clear", [&] { Add(tree, TVI_ROOT, "again"); }, "again"},
  };
  for (const auto& step : steps) {
    model.BeginBatch();  // the rows follow inside a batch too
    step.change();
    EXPECT_EQ(Shown(model), step.rows) << step.what;
    model.EndBatch();
    QCoreApplication::processEvents();
    view.viewport()->repaint();
  }
}

// Expansion from the keyboard and the mouse, in the real window.
TEST(TreeModelGui, KeysAndButtonsOpenAndCloseNodes) {
  WindowFixture f;
  MainWindow& w = *f.window;
  w.show();
  CTreeCtrl& tree = w.Frame().Tree();
  HTREEITEM top = Add(tree, TVI_ROOT, "top");
  HTREEITEM sub = Add(tree, Add(tree, top, "mid"), "sub");
  Add(tree, sub, "leaf");
  tree.SelectItem(top);
  TreeView* view = w.View();
  view->setFocus();
  QTest::keyClick(view, Qt::Key_Asterisk, Qt::KeypadModifier);
  EXPECT_EQ(Shown(*w.Model()), "top .mid ..sub ...leaf");
  QTest::keyClick(view, Qt::Key_Left);
  EXPECT_EQ(Shown(*w.Model()), "top");
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_EQ(Shown(*w.Model()), "top .mid ..sub ...leaf") << "opened as it was left";
  const QRect row = view->visualRect(w.Model()->IndexOf(sub));
  const QPoint button(row.left() + TreeItemDelegate::Indentation(2) - 5, row.center().y());
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, button);
  EXPECT_EQ(Shown(*w.Model()), "top .mid ..sub");
  EXPECT_EQ(tree.GetSelectedItem(), top) << "a click on the button selects nothing";
}

TEST(TreeModelGui, LabelsThatAreNotUtf8ShowAsWindowsText) {
  EXPECT_EQ(TreeItemModel::DisplayText("caf\xc3\xa9"), QString::fromUtf8("café"));
  EXPECT_EQ(TreeItemModel::DisplayText("caf\xe9"), QString::fromUtf8("café"));
  EXPECT_EQ(TreeItemModel::DisplayText(std::string_view("\x80", 1)).size(), 1);
}

}  // namespace
