#include "gui/tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTest>
#include <functional>

#include "gui/gui_support.h"
#include "gui/tree_view.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"

namespace {

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
  ScriptedFrame s;
  CTreeCtrl& tree = s.tree;
  TreeItemModel model(tree);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  TreeView view;
  view.SetTreeModel(&model);
  view.show();

  HTREEITEM a = AddFolder(tree, "a");
  HTREEITEM a1 = AddFolder(tree, "a1", a);
  HTREEITEM a2 = AddFolder(tree, "a2", a);
  HTREEITEM x = AddFolder(tree, "x", a2);
  AddFolder(tree, "y", a2);
  HTREEITEM b = AddFolder(tree, "b");
  AddFolder(tree, "b1", b);
  const struct {
    const char* what;
    std::function<void()> change;
    QString rows;
  } steps[] = {
      {"expand a's branch", [&] { tree.ExpandBranch(a); }, "a .a1 .a2 ..x ..y b"},
      {"insert in an open folder", [&] { AddFolder(tree, "x2", a2, 1, {}, x); },
       "a .a1 .a2 ..x ..x2 ..y b"},
      {"insert in a closed one", [&] { AddFolder(tree, "b2", b); }, "a .a1 .a2 ..x ..x2 ..y b"},
      {"expand b", [&] { tree.Expand(b, TVE_EXPAND); }, "a .a1 .a2 ..x ..x2 ..y b .b1 .b2"},
      {"prune a2", [&] { s.frame.PruneBranch(a2); }, "a .a1 b .b1 .b2"},
      {"a new top node", [&] { AddFolder(tree, "c", TVI_ROOT, 1, {}, TVI_FIRST); },
       "c a .a1 b .b1 .b2"},
      {"collapse a, selection inside",
       [&] {
         tree.SelectItem(a1);
         tree.Expand(a, TVE_COLLAPSE);
         EXPECT_EQ(TreeItemModel::ItemOf(view.currentIndex()), a) << "the selection comes out";
       },
       "c a b .b1 .b2"},
      {"clear", [&] { tree.DeleteAllItems(); }, ""},
      {"insert after a clear", [&] { AddFolder(tree, "again"); }, "again"},
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
  MainWindow& w = f.w;
  CTreeCtrl& tree = f.tree;
  w.show();
  HTREEITEM top = AddFolder(tree, "top");
  HTREEITEM sub = AddFolder(tree, "sub", AddFolder(tree, "mid", top));
  AddFolder(tree, "leaf", sub);
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
