// Comparing two catalogues: the files and folders one holds that the other
// lacks, the files whose size or last-write time changed, and the folders
// read on one side that could not be entered on the other.
//
// Top-level nodes are matched by name (the scanned path); when each tree has
// exactly one, the two are matched whatever their names, so a disk mounted
// elsewhere compares cleanly. Below them a node is matched by its name among
// the children of its parent's match. Marks and display flags do not count.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "tree/tree_ctrl.h"

enum class TreeChange {
  added,       // only in the new tree (a folder is reported once, not per file)
  removed,     // only in the old tree
  changed,     // a file in both whose size or last-write time differs
  unreadable,  // a folder read on one side and not entered on the other
};

// Files somewhere below a folder and the sum of their sizes.
struct FolderTotals {
  uint64_t files = 0;
  int64_t bytes = 0;
};

struct TreeDifference {
  TreeChange change;
  bool folder;             // what the reported node is; a kind change is reported
                           // as a removal and an addition
  std::string_view path;   // the folders above (the new tree's names) and the
                           // node's name, joined by '/', as the window shows them
  HTREEITEM oldNode;       // null when added
  HTREEITEM newNode;       // null when removed
  FolderTotals oldTotals;  // for a folder (not for an unreadable one)
  FolderTotals newTotals;
};

// The name a node is matched by: a file's name without its size and time, a
// folder's label without the reason it could not be entered.
std::string_view CompareName(const CTreeCtrl& tree, HTREEITEM node);

// Whether the scan could not enter this folder.
bool IsUnreadableFolder(const CTreeCtrl& tree, HTREEITEM node);

// Reports every difference once, in pre-order of the new tree; a removed
// node comes where it stood among its old siblings, before what was added
// in its place. Matching sorts each
// folder's children by name (or takes them pairwise when both sides list the
// same names in the same order), so the whole comparison is O(n log k) for
// folders of k children. Neither tree may change meanwhile.
void CompareTrees(const CTreeCtrl& oldTree, const CTreeCtrl& newTree,
                  const std::function<void(const TreeDifference&)>& report);

// The same for two folders taken as each other's match whatever their
// labels (one branch before and after a rescan); paths start with newTop's
// label.
void CompareBranches(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                     HTREEITEM newTop, const std::function<void(const TreeDifference&)>& report);
