// Inputs the tree-file fuzzer found worth keeping, read through File Open's
// own code and held to the fuzzer's invariants: totals that follow the marks,
// a whole-tree save and a branch save that read back as the same nodes, and
// totals back at zero once the tree is cleared.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "files/tree_file_limits.h"
#include "files/tree_reader.h"
#include "tree_file_records.h"

namespace {

using namespace tree_file_test;

const std::filesystem::path kRegressions =
    std::filesystem::path(__FILE__).parent_path().parent_path() / "regressions";

// A node at this depth goes into a whole-tree file with a level the reader
// refuses (top-level nodes are written with level 1).
constexpr int kDeepestWholeTreeDepth = kMaxNestLevels - 2;

std::vector<HTREEITEM> HandlesInPreOrder(const CTreeCtrl& tree) {
  std::vector<HTREEITEM> handles;
  for (HTREEITEM cur = tree.GetRootItem(); cur;) {
    handles.push_back(cur);
    if (HTREEITEM child = tree.GetChildItem(cur)) {
      cur = child;
      continue;
    }
    while (cur && !tree.GetNextSiblingItem(cur)) cur = tree.GetParentItem(cur);
    if (cur) cur = tree.GetNextSiblingItem(cur);
  }
  return handles;
}

// Summed with wrap-around: sizes read from a file can be anything.
void ExpectTotalsFollowTheMarks(const CMainFrame& frame) {
  uint64_t bytes = 0;
  int32_t files = 0;
  for (const Node& n : Dump(frame.Tree()))
    if (n.data && n.stateImage == 2) bytes += static_cast<uint64_t>(n.data->size), ++files;
  EXPECT_EQ(frame.m_nMarkedFiles, files);
  EXPECT_EQ(static_cast<uint64_t>(frame.m_nMarkedBytes), bytes);
}

void ExpectAtMostTheNestMessage(const ScriptedHost& host) {
  ASSERT_LE(host.messages.size(), 1u);
  for (const ShownMessage& m : host.messages) {
    EXPECT_EQ(m.text, "Maximum directory nest level exceeded!");
    EXPECT_EQ(m.caption, "File Open");
  }
}

// The label as a save keeps it: cut at kMaxSavedLabel, or up to three bytes
// before so as not to split a UTF-8 character.
void ExpectSameNode(const Node& original, const Node& reread) {
  Node expected = original;
  if (original.label.size() > kMaxSavedLabel) {
    EXPECT_LE(reread.label.size(), kMaxSavedLabel);
    EXPECT_GE(reread.label.size() + 3, kMaxSavedLabel);
    expected.label.resize(std::min(reread.label.size(), original.label.size()));
  }
  EXPECT_EQ(reread, expected);
}

class TreeFileRegressionTest : public ::testing::Test {
 protected:
  ScratchFolder folder;

  // Saves from `from` (the whole tree, or the branch of `start`) and reads
  // the file into a fresh frame.
  std::unique_ptr<ScriptedFrame> SaveAndReread(ScriptedFrame& from, HTREEITEM start) {
    const std::string path = folder / "saved.ztr";
    EXPECT_NO_THROW(from.frame.SaveTree(path, start));
    auto again = std::make_unique<ScriptedFrame>();
    EXPECT_NO_THROW(again->frame.LoadTree(path));
    ExpectTotalsFollowTheMarks(again->frame);
    return again;
  }

  void CheckWholeTree(ScriptedFrame& first, const std::vector<Node>& nodes) {
    const auto again = SaveAndReread(first, nullptr);
    const std::vector<Node> reread = Dump(again->frame.Tree());
    // Only a tree reaching the depth no whole-tree file can hold may stop
    // short, at its first node that deep, and say so.
    const auto tooDeep = std::find_if(
        nodes.begin(), nodes.end(), [](const Node& n) { return n.depth > kDeepestWholeTreeDepth; });
    if (again->host.messages.empty()) {
      ASSERT_EQ(reread.size(), nodes.size());
    } else {
      ExpectAtMostTheNestMessage(again->host);
      ASSERT_NE(tooDeep, nodes.end()) << "a nest-level message for a tree this program wrote";
      ASSERT_EQ(reread.size(), static_cast<size_t>(tooDeep - nodes.begin()));
    }
    for (size_t i = 0; i < reread.size(); ++i) ExpectSameNode(nodes[i], reread[i]);
  }

  // Every branch: its ancestors alone, then its own subtree, at their depths.
  void CheckEveryBranch(ScriptedFrame& first, const std::vector<Node>& nodes) {
    const std::vector<HTREEITEM> handles = HandlesInPreOrder(first.frame.Tree());
    ASSERT_EQ(handles.size(), nodes.size());
    for (size_t at = 0; at < nodes.size(); ++at) {
      SCOPED_TRACE("branch of node " + std::to_string(at));
      std::vector<Node> expected;
      for (size_t i = at, depth = static_cast<size_t>(nodes[at].depth); depth > 0 && i-- > 0;)
        if (static_cast<size_t>(nodes[i].depth) == depth - 1) {
          expected.insert(expected.begin(), nodes[i]);
          --depth;
        }
      expected.push_back(nodes[at]);
      for (size_t i = at + 1; i < nodes.size() && nodes[i].depth > nodes[at].depth; ++i)
        expected.push_back(nodes[i]);

      const auto again = SaveAndReread(first, handles[at]);
      EXPECT_TRUE(again->host.messages.empty());
      const std::vector<Node> reread = Dump(again->frame.Tree());
      ASSERT_EQ(reread.size(), expected.size());
      for (size_t i = 0; i < reread.size(); ++i) ExpectSameNode(expected[i], reread[i]);
    }
  }
};

TEST_F(TreeFileRegressionTest, EveryKeptInputHoldsTheInvariants) {
  ASSERT_TRUE(std::filesystem::is_directory(kRegressions)) << kRegressions;
  std::vector<std::filesystem::path> inputs;
  for (const auto& entry : std::filesystem::directory_iterator(kRegressions))
    if (entry.is_regular_file()) inputs.push_back(entry.path());
  std::sort(inputs.begin(), inputs.end());
  ASSERT_FALSE(inputs.empty());

  for (const auto& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    ScriptedFrame first;
    ASSERT_NO_THROW(first.frame.LoadTree(input.string()));
    ExpectAtMostTheNestMessage(first.host);
    const std::vector<Node> nodes = Dump(first.frame.Tree());
    ASSERT_EQ(nodes.size(), first.frame.Tree().GetCount());
    for (const Node& n : nodes) ASSERT_LT(n.depth, kMaxNestLevels);
    ExpectTotalsFollowTheMarks(first.frame);

    CheckWholeTree(first, nodes);
    CheckEveryBranch(first, nodes);
    EXPECT_EQ(Dump(first.frame.Tree()), nodes) << "saving changed the tree";
    ExpectTotalsFollowTheMarks(first.frame);

    first.frame.Tree().DeleteAllItems();
    EXPECT_EQ(first.frame.Tree().GetCount(), 0u);
    EXPECT_EQ(first.frame.m_nMarkedFiles, 0);
    EXPECT_EQ(first.frame.m_nMarkedBytes, 0);
  }
}

}  // namespace
