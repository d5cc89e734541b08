#include "tree/tree_ctrl.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>

#include "support/tree_builder.h"
#include "tree/slab_store.h"
#include "tree/tree_item.h"

namespace {

struct DeletionLog : TreeNotifyTarget {
  std::multiset<HTREEITEM> deleted;
  std::vector<HTREEITEM> selections;
  void OnTreeDeleteItem(HTREEITEM item, CTreeItemData* data) override {
    deleted.insert(item);
    delete data;
  }
  void OnTreeSelChanged(HTREEITEM item) override { selections.push_back(item); }
};

TEST(TreeCtrl, InsertAfterPlacesNodes) {
  CTreeCtrl t;
  HTREEITEM top = AddFolder(t, "top");
  AddFolder(t, "last1", top);
  HTREEITEM f1 = AddFolder(t, "first1", top, 1, {}, TVI_FIRST);
  AddFolder(t, "first0", top, 1, {}, TVI_FIRST);
  AddFolder(t, "after-f1", top, 1, {}, f1);
  AddFolder(t, "last2", top, 1, {}, nullptr);
  EXPECT_EQ(ChildLabels(t, top),
            (std::vector<std::string>{"first0", "first1", "after-f1", "last1", "last2"}));
  EXPECT_EQ(t.GetCount(), 6u);
  EXPECT_EQ(t.GetChildItem(nullptr), top);
  EXPECT_EQ(t.GetRootItem(), top);
  EXPECT_EQ(t.GetParentItem(f1), top);
  EXPECT_EQ(t.GetParentItem(top), nullptr);
  EXPECT_EQ(AddFolder(t, "orphan", reinterpret_cast<HTREEITEM>(uintptr_t{999})), nullptr);
}

TEST(TreeCtrl, ReadAndChangeItem) {
  CTreeCtrl t;
  auto* data = new CTreeItemData;
  HTREEITEM n = t.InsertItem(TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE, "file", 5, 0,
                             0x2000 | 0x0001, TVIS_STATEIMAGEMASK, data, TVI_ROOT, TVI_LAST);
  TVITEM item;
  item.hItem = n;
  item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_CHILDREN | TVIF_IMAGE;
  item.stateMask = 0xFFFF;
  ASSERT_TRUE(t.GetItem(item));
  EXPECT_EQ(item.pszText, "file");
  EXPECT_EQ(item.lParam, data);
  EXPECT_EQ(item.state, 0x2000u) << "only the bits under the state mask are taken";
  EXPECT_EQ(item.cChildren, 0);
  EXPECT_EQ(item.iImage, 5);
  EXPECT_EQ(t.GetCheck(n), 1);
  t.SetCheck(n, false);
  EXPECT_EQ(t.GetStateImage(n), 1);
  EXPECT_EQ(t.GetCheck(n), 0);
  t.SetItemState(n, 0x4000 | 0x20, TVIS_STATEIMAGEMASK);
  EXPECT_EQ(t.GetItemState(n, 0xFFFF), 0x4000u);
  t.SetItemText(n, std::string(600, 'x'));
  EXPECT_EQ(t.GetItemText(n).size(), 600u);
  t.DeleteItem(n);
  delete data;  // no frame listens here to free it
}

TEST(TreeCtrl, ChildrenFlagGivenAtInsertionIsKept) {
  CTreeCtrl t;
  HTREEITEM claims =
      t.InsertItem(TVIF_TEXT | TVIF_CHILDREN, "a", 0, 0, 0, 0, nullptr, TVI_ROOT, TVI_LAST, 1);
  HTREEITEM plain = AddFolder(t, "b");
  EXPECT_TRUE(t.ItemHasChildren(claims));
  EXPECT_FALSE(t.ItemHasChildren(plain));
  AddFolder(t, "child", plain);
  EXPECT_TRUE(t.ItemHasChildren(plain));
}

TEST(TreeCtrl, EveryNodeLeavingIsReportedOnce) {
  struct Case {
    const char* name;
    std::function<void(CTreeCtrl&, HTREEITEM a, HTREEITEM b)> remove;
    size_t expectDeleted;
  };
  const std::vector<Case> cases = {
      {"own deletion of a leaf", [](CTreeCtrl& t, HTREEITEM, HTREEITEM b) { t.DeleteItem(b); }, 1},
      {"an ancestor's deletion", [](CTreeCtrl& t, HTREEITEM a, HTREEITEM) { t.DeleteItem(a); }, 4},
      {"TVI_ROOT", [](CTreeCtrl& t, HTREEITEM, HTREEITEM) { t.DeleteItem(TVI_ROOT); }, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DeletionLog log;
    {
      CTreeCtrl t;
      t.SetNotifyTarget(&log);
      HTREEITEM a = AddFolder(t, "a");
      HTREEITEM a1 = AddFolder(t, "a1", a);
      HTREEITEM b = AddFolder(t, "a11", a1);
      AddFolder(t, "a2", a);
      AddFolder(t, "z");
      AddFolder(t, "z1", t.GetNextSiblingItem(a));
      c.remove(t, a, b);
      EXPECT_EQ(log.deleted.size(), c.expectDeleted);
      EXPECT_EQ(t.GetCount(), 6 - c.expectDeleted);
      for (HTREEITEM h : log.deleted) EXPECT_EQ(log.deleted.count(h), 1u);
    }
    EXPECT_EQ(log.deleted.size(), 6u) << "destruction reports the rest";
  }
}

TEST(TreeCtrl, DeletingTheSelectedNodeMovesTheSelection) {
  DeletionLog log;
  CTreeCtrl t;
  t.SetNotifyTarget(&log);
  HTREEITEM top = AddFolder(t, "top");
  HTREEITEM a = AddFolder(t, "a", top);
  HTREEITEM b = AddFolder(t, "b", top);
  t.SelectItem(a);
  t.DeleteItem(a);
  EXPECT_EQ(t.GetSelectedItem(), b) << "the next sibling";
  t.DeleteItem(b);
  EXPECT_EQ(t.GetSelectedItem(), top) << "then the parent";
  EXPECT_EQ(log.selections, (std::vector<HTREEITEM>{a, b, top}));
  EXPECT_EQ(t.GetItemState(top, TVIS_SELECTED), TVIS_SELECTED);
}

TEST(TreeCtrl, StaleHandlesAreRefusedAndSlotsReused) {
  DeletionLog log;
  CTreeCtrl t;
  t.SetNotifyTarget(&log);
  HTREEITEM a = AddFolder(t, "a");
  t.DeleteItem(a);
  EXPECT_FALSE(t.IsValid(a));
  EXPECT_FALSE(t.DeleteItem(a));
  EXPECT_EQ(t.GetItemText(a), "");
  EXPECT_FALSE(t.IsValid(TVI_ROOT));
  EXPECT_FALSE(t.IsValid(TVI_LAST));
}

TEST(TreeCtrl, DeepTreeDeletesWithoutRecursion) {
  DeletionLog log;
  CTreeCtrl t;
  t.SetNotifyTarget(&log);
  HTREEITEM p = TVI_ROOT;
  for (int i = 0; i < 200000; ++i) p = AddFolder(t, "d", p);
  EXPECT_TRUE(t.EnsureVisible(p));
  t.DeleteItem(t.GetRootItem());
  EXPECT_EQ(log.deleted.size(), 200000u);
  EXPECT_EQ(t.GetCount(), 0u);
}

TEST(TreeCtrl, ExpandAndEnsureVisibleOpenAncestors) {
  CTreeCtrl t;
  HTREEITEM a = AddFolder(t, "a");
  HTREEITEM b = AddFolder(t, "b", a);
  HTREEITEM c = AddFolder(t, "c", b);
  t.EnsureVisible(c);
  EXPECT_TRUE(t.GetItemState(a, TVIS_EXPANDED));
  EXPECT_TRUE(t.GetItemState(b, TVIS_EXPANDED));
  EXPECT_FALSE(t.GetItemState(c, TVIS_EXPANDED));
  t.Expand(a, TVE_COLLAPSE);
  EXPECT_FALSE(t.GetItemState(a, TVIS_EXPANDED));
  // A whole branch opens at once; a node without children stays as it was.
  t.Expand(b, TVE_COLLAPSE);
  t.ExpandBranch(a);
  EXPECT_TRUE(t.GetItemState(a, TVIS_EXPANDED) && t.GetItemState(b, TVIS_EXPANDED));
  EXPECT_FALSE(t.GetItemState(c, TVIS_EXPANDED));
}

}  // namespace

// A tree large enough for slabs from the system, emptied and filled again
// in the memory the first one left: every node reads back as it was put in.
TEST(TreeCtrl, RefilledLargeTreeReadsBackWhole) {
  CTreeCtrl t;
  for (int round = 0; round < 2; ++round) {
    HTREEITEM top = AddFolder(t, "top" + std::to_string(round));
    for (int i = 0; i < 300'000; ++i) AddFolder(t, std::to_string(i * 7 + round), top);
    int i = 0;
    for (HTREEITEM c = t.GetChildItem(top); c; c = t.GetNextSiblingItem(c), ++i)
      ASSERT_EQ(t.GetItemText(c), std::to_string(i * 7 + round));
    EXPECT_EQ(i, 300'000);
    t.DeleteAllItems();
  }
}

// Pieces never overlap and are aligned for any type, in small and mapped
// slabs alike; after Reuse the same memory is handed out again.
TEST(SlabStore, PiecesAreDisjointAlignedAndReused) {
  SlabStore store(4096, size_t{8} << 20);
  const size_t sizes[] = {1, 24, 4096, 5000, size_t{3} << 20, size_t{20} << 20, 100};
  std::vector<std::pair<std::byte*, size_t>> pieces;
  for (size_t size : sizes) {
    std::byte* at = store.Take(size);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(at) % alignof(std::max_align_t), 0u) << size;
    std::memset(at, 0x5A, size);  // all of it is writable
    for (const auto& [other, otherSize] : pieces)
      EXPECT_TRUE(at + size <= other || other + otherSize <= at) << size;
    pieces.emplace_back(at, size);
  }
  const size_t capacity = store.CapacityBytes();
  store.Reuse();
  for (const auto& [at, size] : pieces) EXPECT_EQ(store.Take(size), at) << size;
  EXPECT_EQ(store.CapacityBytes(), capacity);
}
