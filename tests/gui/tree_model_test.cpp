#include "gui/tree_model.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QTreeView>

#include "support/tree_builder.h"

namespace {

// The model keeps Qt's index and row bookkeeping right through every change
// the commands make, inside and outside a batch.
TEST(TreeModelGui, PassesTheModelTesterThroughChanges) {
  CTreeCtrl tree;
  TreeItemModel model(tree);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QTreeView view;
  view.setModel(&model);
  view.show();

  HTREEITEM a = AddFolder(tree, "a");
  HTREEITEM a1 = AddFolder(tree, "a1", a);
  AddFolder(tree, "a0", a, 1, {}, TVI_FIRST);
  HTREEITEM b = AddFolder(tree, "b");
  tree.Expand(a, TVE_EXPAND);
  EXPECT_EQ(model.rowCount(), 2);
  EXPECT_EQ(model.rowCount(model.IndexOf(a)), 2);
  EXPECT_EQ(model.IndexOf(a1).row(), 1);
  AddFolder(tree, "a0.5", a, 1, {}, tree.GetChildItem(a));
  EXPECT_EQ(model.IndexOf(a1).row(), 2);
  tree.SetItemText(a1, "renamed");
  EXPECT_EQ(model.data(model.IndexOf(a1)).toString(), "renamed");
  tree.DeleteItem(tree.GetChildItem(a));
  EXPECT_EQ(model.IndexOf(a1).row(), 1);

  model.BeginBatch();
  for (int i = 0; i < 100; ++i) AddFolder(tree, "x", b);
  tree.DeleteItem(a);
  model.EndBatch();
  EXPECT_EQ(model.rowCount(), 1);
  EXPECT_EQ(model.rowCount(model.IndexOf(b)), 100);

  tree.DeleteAllItems();
  EXPECT_EQ(model.rowCount(), 0);
  AddFolder(tree, "again");
  EXPECT_EQ(model.rowCount(), 1);
}

TEST(TreeModelGui, LabelsThatAreNotUtf8ShowAsWindowsText) {
  EXPECT_EQ(TreeItemModel::DisplayText("caf\xc3\xa9"), QString::fromUtf8("café"));
  EXPECT_EQ(TreeItemModel::DisplayText("caf\xe9"), QString::fromUtf8("café"));
  EXPECT_EQ(TreeItemModel::DisplayText(std::string_view("\x80", 1)).size(), 1);
}

}  // namespace
