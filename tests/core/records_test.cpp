#include <gtest/gtest.h>

#include "tree/tree_item.h"

namespace {

TEST(TreeItem, MarkedMeansStateImageTwoOnly) {
  for (UINT index : {0u, 1u, 2u, 3u, 4u}) {
    TVITEM item;
    item.state = INDEXTOSTATEIMAGEMASK(index) | TVIS_EXPANDED;
    CTreeItem record(item, 3);
    EXPECT_EQ(record.IsMarked(), index == 2) << index;
  }
}

TEST(TreeItem, BuiltFromANodeKeepsNoHandles) {
  auto* data = new CTreeItemData;
  TVITEM item;
  item.mask = 0x6F;
  item.hItem = reinterpret_cast<HTREEITEM>(uintptr_t{7});
  item.pszText = "label";
  item.state = 0x2000;
  item.iImage = 5;
  item.iSelectedImage = 5;
  item.lParam = data;
  CTreeItem record(item, 2);
  EXPECT_EQ(record.m_strText, "label");
  EXPECT_EQ(record.GetLevel(), 2);
  EXPECT_EQ(record.GetData(), data);
  EXPECT_EQ(record.m_tvis.item.hItem, nullptr);
  EXPECT_TRUE(record.m_tvis.item.pszText.empty());
  EXPECT_EQ(record.m_tvis.item.stateMask, TVIS_STATEIMAGEMASK);
  EXPECT_EQ(record.m_tvis.hParent, nullptr);
  delete data;
}

TEST(TreeItem, DefaultRecordIsEmpty) {
  CTreeItem record;
  EXPECT_EQ(record.GetLevel(), -1);
  EXPECT_EQ(record.GetData(), nullptr);
  CTreeItemData data;
  EXPECT_EQ(data.m_nFileSize, 0);
  EXPECT_EQ(FileTimeToU64(data.m_ftLastWrite), 0u);
}

TEST(TreeItem, InsertIntoAppendsAndHandsOverTheRecord) {
  CTreeCtrl tree;
  CTreeItem record;
  record.m_strText = "parent";
  record.m_tvis.item.mask = 0x6F;
  record.m_tvis.item.state = 0x1000;
  record.m_tvis.item.stateMask = TVIS_STATEIMAGEMASK;
  HTREEITEM parent = record.InsertInto(tree, nullptr);
  ASSERT_NE(parent, nullptr);
  for (const char* name : {"one", "two"}) {
    record.m_strText = name;
    record.m_tvis.item.lParam = new CTreeItemData;
    ASSERT_NE(record.InsertInto(tree, parent), nullptr);
  }
  HTREEITEM first = tree.GetChildItem(parent);
  EXPECT_EQ(tree.GetItemText(first), "one");
  EXPECT_EQ(tree.GetItemText(tree.GetNextSiblingItem(first)), "two");
  EXPECT_EQ(tree.GetStateImage(first), 1);
  // The tree owns the records now; free them as the frame would.
  for (HTREEITEM c = first; c; c = tree.GetNextSiblingItem(c)) delete tree.GetItemData(c);
}

}  // namespace
