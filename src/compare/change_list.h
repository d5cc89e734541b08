// The differences between two trees kept as a list of their own, so that
// they outlive the trees they came from (the branch replaced by a rescan is
// gone by the time the list is shown), with the count and bytes of each kind.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "compare/tree_compare.h"
#include "tree/tree_ctrl.h"

enum class ChangeKind : uint8_t { added, removed, changed, moved, unreadable };
inline constexpr size_t kChangeKindCount = 5;

// "added", "removed", ...
std::string_view ChangeKindName(ChangeKind kind);

struct ChangeEntry {
  ChangeKind kind = ChangeKind::added;
  bool folder = false;
  std::string path;    // as the window shows it, the new tree's names above the node
  std::string from;    // a move's old path
  std::string reason;  // why the folder of an unreadable difference was not entered
  ChangeSide oldSide;
  ChangeSide newSide;
};

// The entries of one kind, the files in them (those below added or removed
// folders too) and their bytes; for changed files also their new bytes.
// Byte sums wrap rather than overflow: sizes from a file can be anything.
struct ChangeTally {
  uint64_t entries = 0;
  uint64_t files = 0;
  uint64_t bytes = 0;
  uint64_t newBytes = 0;
};

using ChangeTallies = std::array<ChangeTally, kChangeKindCount>;

ChangeKind KindOf(TreeChange change);

// Adds one difference to the tally of its kind: an added entry counts its
// new side, any other its old side (a changed file its new bytes too).
void CountChange(ChangeTallies& tallies, ChangeKind kind, const ChangeSide& oldSide,
                 const ChangeSide& newSide);

struct ChangeList {
  std::vector<ChangeEntry> entries;
  ChangeTallies tallies{};

  void Add(ChangeEntry entry);
  bool Empty() const { return entries.empty(); }
  const ChangeTally& Of(ChangeKind kind) const { return tallies[static_cast<size_t>(kind)]; }
};

// A comparison's report that adds each difference to `list`, which must
// outlive it.
std::function<void(const TreeDifference&)> CollectChanges(ChangeList& list);

// Every difference between two trees in the comparison's order: whole trees
// when both tops are null, else the two branches matched whatever their labels.
ChangeList ListChanges(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                       HTREEITEM newTop);

// "2 added (3 files, 1,024 bytes), 1 changed (10 -> 12 bytes)": each kind the
// list holds, in the order of ChangeKind; "no changes" for none.
std::string ChangeSummary(const ChangeList& list);

// The deepest node of the tree that the path (as the comparison forms it)
// leads to: the node itself, or the nearest ancestor the tree still holds
// (the parent of a removed node). Null when not even a top node matches.
// `whole` tells whether the whole path was found.
HTREEITEM FindNodeByPath(const CTreeCtrl& tree, std::string_view path, bool& whole);
