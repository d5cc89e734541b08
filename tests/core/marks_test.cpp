#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "app/resource.h"
#include "platform/number_text.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"

namespace {

class MarksTest : public ::testing::Test, protected ScriptedFrame {};

TEST(FormatThousandsTest, GroupsOfThree) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {1001, "1,001"},
      {1000000, "1,000,000"},
      {1234567, "1,234,567"},
      {INT64_MAX, "9,223,372,036,854,775,807"},
      {-1500, "-1,500"},
  };
  for (auto [value, expected] : cases) {
    std::string text;
    FormatThousands(value, text);
    EXPECT_EQ(text, expected) << value;
  }
}

TEST_F(MarksTest, UnitsAtTheirBoundaries) {
  const std::pair<int64_t, const char*> cases[] = {
      {2048, "Selected: 2,048 bytes (1 files)"},
      {1048576, "Selected: 1,048,576 bytes (1 files)"},
      {1048577, "Selected: 1,024 Kb (1 files)"},
      {1073741824, "Selected: 1,048,576 Kb (1 files)"},
      {1073741825, "Selected: 1,024 Mb (1 files)"},
      {5000000000, "Selected: 4,768 Mb (1 files)"},
  };
  HTREEITEM top = AddFolder(tree, "/data");
  for (auto [size, expected] : cases) {
    HTREEITEM f = AddFile(tree, "f", size, top);
    frame.ToggleSelect(f);
    EXPECT_EQ(host.status[1], expected);
    frame.ToggleSelect(f);
    EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)");
    tree.DeleteItem(f);
  }
}

TEST_F(MarksTest, MarkingAFolderMarksItsBranch) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", top);
  HTREEITEM deeper = AddFolder(tree, "deeper", sub);
  AddFile(tree, "a", 10, sub);
  AddFile(tree, "b", 20, deeper);
  AddFile(tree, "c", 30, deeper);
  HTREEITEM other = AddFile(tree, "other", 5, top);
  frame.ToggleSelect(sub);
  EXPECT_EQ(frame.m_nMarkedFiles, 3);
  EXPECT_EQ(frame.m_nMarkedBytes, 60);
  EXPECT_EQ(tree.GetStateImage(sub), 2);
  EXPECT_EQ(tree.GetStateImage(deeper), 2);
  EXPECT_EQ(tree.GetStateImage(top), 3) << "parent with other unmarked children";
  EXPECT_TRUE(frame.m_bModified);
  frame.ToggleSelect(other);
  EXPECT_EQ(tree.GetStateImage(top), 2);
  // A partly marked folder toggles to marked.
  frame.ToggleSelect(deeper);
  EXPECT_EQ(tree.GetStateImage(sub), 3);
  EXPECT_EQ(tree.GetStateImage(top), 3);
  frame.ToggleSelect(sub);
  EXPECT_EQ(tree.GetStateImage(sub), 2);
  EXPECT_EQ(frame.m_nMarkedFiles, 4);
  EXPECT_EQ(host.waitDepth, 0);
}

TEST_F(MarksTest, UnreadableFolderIsNeverMarked) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM bad = AddFolder(tree, "locked [Permission denied]", top, 4);
  AddFile(tree, "a", 1, top);
  frame.ToggleSelect(bad);
  EXPECT_FALSE(frame.m_bModified);
  EXPECT_EQ(host.waitCursorShown, 0);
  frame.ToggleSelect(top);
  EXPECT_EQ(tree.GetStateImage(bad), 4);
  EXPECT_EQ(tree.GetStateImage(top), 2) << "index 4 is ignored when a parent is recomputed";
}

TEST_F(MarksTest, DeletingMarkedFilesCorrectsTheTotals) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM a = AddFile(tree, "a", 100, top);
  AddFile(tree, "b", 200, top);
  frame.ToggleSelect(top);
  ASSERT_EQ(frame.m_nMarkedBytes, 300);
  tree.DeleteItem(a);
  EXPECT_EQ(frame.m_nMarkedFiles, 1);
  EXPECT_EQ(frame.m_nMarkedBytes, 200);
  tree.DeleteAllItems();
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  EXPECT_EQ(frame.m_nMarkedBytes, 0);
}

// Files from a tree file may show any state image; only the ticked box counts,
// both on the way in and on the way out.
TEST_F(MarksTest, TotalsFollowTheTickedBoxWhateverTheStartingState) {
  HTREEITEM top = AddFolder(tree, "/data");
  for (int state : {0, 3}) {
    HTREEITEM f = AddFile(tree, "odd", 50, top, state);
    frame.SetMark(f, 0, false);  // unmark: it was never counted
    EXPECT_EQ(frame.m_nMarkedFiles, 0);
    tree.SetItemState(f, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK);
    tree.DeleteItem(f);
    EXPECT_EQ(frame.m_nMarkedFiles, 0) << "deleting an uncounted file leaves the totals";
    EXPECT_EQ(frame.m_nMarkedBytes, 0);
  }
}

TEST_F(MarksTest, ToggleSelectCommandNeedsASelection) {
  HTREEITEM top = AddFolder(tree, "/data");
  AddFile(tree, "a", 1, top);
  frame.OnToggleSelect();
  EXPECT_FALSE(frame.m_bModified);
  tree.SelectItem(top);
  frame.OnCommand(ID_TOGGLE_SELECT);
  EXPECT_EQ(frame.m_nMarkedFiles, 1);
}

TEST_F(MarksTest, ClickTogglesOnlyOnTheMarkBox) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM f = AddFile(tree, "a", 1, top);
  tree.SelectItem(top);
  host.nextHit = {{}, TVHT_ONITEMLABEL, f};
  frame.OnTreeClick();
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  host.nextHit = {{}, TVHT_ONITEMICON, f};
  frame.OnTreeClick();
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  host.nextHit = {{}, TVHT_ONITEMSTATEICON, f};
  frame.OnTreeClick();
  EXPECT_EQ(frame.m_nMarkedFiles, 1) << "the clicked node, not the selected one";
  EXPECT_EQ(tree.GetStateImage(top), 2);
}

TEST_F(MarksTest, PruningTheOnlyChildLeavesNoStateImage) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", top);
  HTREEITEM f = AddFile(tree, "a", 1, sub);
  AddFile(tree, "b", 1, top);
  frame.WalkTree(f, -1, &CMainFrame::DeleteNode, nullptr, false);
  frame.UpdateParentMarks(sub);
  EXPECT_EQ(tree.GetStateImage(sub), 0);
  EXPECT_EQ(tree.GetStateImage(top), 1) << "a child at 0 first, then one at 1";
}

TEST_F(MarksTest, SelectedPathInStatusPartZero) {
  const struct {
    const char* top;
    const char* expected;
  } cases[] = {{"/data", "/data/sub/f   3 bytes"}, {"/", "/sub/f   3 bytes"}};
  for (const auto& c : cases) {
    tree.DeleteAllItems();
    HTREEITEM top = AddFolder(tree, c.top);
    HTREEITEM sub = AddFolder(tree, "sub", top);
    HTREEITEM f = AddFile(tree, "f   3 bytes", 3, sub);
    tree.SelectItem(f);
    EXPECT_EQ(host.status[0], c.expected);
    EXPECT_EQ(host.status0Flags, SBT_NOBORDERS);
    tree.SelectItem(top);
    EXPECT_EQ(host.status[0], c.top) << "a top node has an empty path";
  }
}

// A frame with a step that records what the walk visits.
struct RecordingFrame : CMainFrame {
  using CMainFrame::CMainFrame;
  std::vector<std::string> log;
  void Record(HTREEITEM n, int level, void*) {
    log.push_back(std::string(Tree().GetItemText(n)) + ":" + std::to_string(level));
  }
};

TEST(WalkTreeTest, OrderAndLevels) {
  ScriptedHost host;
  MemoryProfile profile;
  RecordingFrame frame(host, profile);
  auto add = [&](const char* name, HTREEITEM parent) {
    return frame.Tree().InsertItem(TVIF_TEXT, name, 0, 0, 0, 0, nullptr, parent, TVI_LAST);
  };
  HTREEITEM a = add("a", TVI_ROOT);
  HTREEITEM a1 = add("a1", a);
  add("a11", a1);
  add("a2", a);
  add("b", TVI_ROOT);
  const auto step = static_cast<CMainFrame::NodeStep<void*>>(&RecordingFrame::Record);
  const struct {
    HTREEITEM node;
    int level;
    bool preOrder;
    std::vector<std::string> expected;
  } cases[] = {
      {nullptr, 0, true, {"a:1", "a1:2", "a11:3", "a2:2", "b:1"}},
      {nullptr, 7, false, {"a11:3", "a1:2", "a2:2", "a:1", "b:1"}},
      {a1, -1, false, {"a11:2", "a1:1"}},
      {a1, 5, true, {"a1:5", "a11:6"}},
      {a, 0, true, {"a:0", "a1:1", "a11:2", "a2:1"}},
  };
  for (const auto& c : cases) {
    frame.log.clear();
    frame.WalkTree(c.node, c.level, step, nullptr, c.preOrder);
    EXPECT_EQ(frame.log, c.expected);
  }
}

TEST(WalkTreeTest, PostOrderStepMayDeleteTheNode) {
  ScriptedHost host;
  MemoryProfile profile;
  CMainFrame frame(host, profile);
  CTreeCtrl& tree = frame.Tree();
  auto add = [&](HTREEITEM parent) {
    return tree.InsertItem(TVIF_TEXT, "n", 0, 0, 0, 0, nullptr, parent, TVI_LAST);
  };
  // A chain 5000 deep whose every level has two more leaves, beside two other top nodes.
  HTREEITEM p = add(TVI_ROOT);
  add(TVI_ROOT);
  add(TVI_ROOT);
  for (int depth = 0; depth < 5000; ++depth) {
    HTREEITEM next = add(p);
    add(p);
    add(p);
    p = next;
  }
  frame.WalkTree(frame.Tree().GetRootItem(), -1, &CMainFrame::DeleteNode, nullptr, false);
  EXPECT_EQ(frame.Tree().GetCount(), 2u) << "the top node's two siblings stay";
}

}  // namespace
