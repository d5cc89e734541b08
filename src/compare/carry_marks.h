// Keeping the user's marks when a branch is scanned again: the new branch
// takes each mark from the same entry in the old one, then replaces it.
//
// How to call it (the window's Update from Disk and ztr-tool update):
//   HTREEITEM fresh = ...scan the folder into a new node, beside the old one
//                        or in another tree...;
//   const MarkedTotals marked = CarryMarks(tree, old, tree, fresh);
//   ReplaceBranch(tree, old, fresh);  // same tree only; `old` is gone after
//   ...then work out the marks of the ancestors (the frame's
//   UpdateParentMarks(GetParentItem(fresh))) and the totals.
#pragma once

#include <cstdint>
#include <functional>

#include "compare/tree_compare.h"
#include "tree/tree_ctrl.h"

// Marked files and their bytes (wrapping, as every total of sizes does).
struct MarkedTotals {
  uint64_t files = 0;
  int64_t bytes = 0;
};

// Gives each node of newTop's branch the mark of the same entry in oldTop's
// branch: the node at the same path (oldTop and newTop stand for each other
// whatever their labels), or where a moved file or folder stood. Nodes new
// to the branch keep the state the scan gave them (unmarked), as does a
// folder that cannot be entered. Then each folder of the new branch that has
// children to mark gets its state afresh from them: all alike give theirs,
// a mix gives partly marked. newTop's ancestors are left alone.
// oldTree and newTree may be the same control; the old branch is only read.
// Returns what is marked in the new branch.
MarkedTotals CarryMarks(const CTreeCtrl& oldTree, HTREEITEM oldTop, CTreeCtrl& newTree,
                        HTREEITEM newTop);

// The same, handing `report` each difference between the two branches (as
// CompareBranches finds them, moves included) on the way, for a caller that
// shows the changes too: one comparison serves both.
MarkedTotals CarryMarks(const CTreeCtrl& oldTree, HTREEITEM oldTop, CTreeCtrl& newTree,
                        HTREEITEM newTop, const std::function<void(const TreeDifference&)>& report);

// Puts newTop, with its branch, where oldTop stands (the same parent and
// place among its siblings) and deletes oldTop's branch. Both must be in
// this tree and neither inside the other's branch; false (and nothing done)
// otherwise.
bool ReplaceBranch(CTreeCtrl& tree, HTREEITEM oldTop, HTREEITEM newTop);
