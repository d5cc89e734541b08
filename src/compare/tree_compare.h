// Comparing two catalogues: the files and folders one holds that the other
// lacks, the files whose size or last-write time changed, and the folders
// read on one side that could not be entered on the other.
//
// Top-level nodes are matched by name (the scanned path); when each tree has
// exactly one, the two are matched whatever their names, so a disk mounted
// elsewhere compares cleanly. Below them a node is matched by its name among
// the children of its parent's match. Marks and display flags do not count.
//
// A file that left one folder and turned up in another with the same name,
// size and last-write time is one move rather than a removal and an addition;
// so is a folder whose whole content went with it.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "compare/flat_catalogue.h"
#include "tree/tree_ctrl.h"

enum class TreeChange {
  added,       // only in the new tree (a folder is reported once, not per file)
  removed,     // only in the old tree
  changed,     // a file in both whose size or last-write time differs
  unreadable,  // a folder read on one side and not entered on the other
  moved,       // removed in one place and added, the same, in another
};

// Files somewhere below a folder and the sum of their sizes.
struct FolderTotals {
  uint64_t files = 0;
  int64_t bytes = 0;
};

// One side of a difference: a file's size and last-write time, a folder's
// files and bytes below it, or a folder that was not entered.
struct ChangeSide {
  bool present = false;
  bool unreadable = false;
  uint64_t files = 0;  // a folder's
  int64_t bytes = 0;   // a file's size or a folder's bytes
  FILETIME lastWrite{};
};

// A difference as it is printed or listed: everything it tells is held in
// it, so its readers need neither tree.
struct Difference {
  TreeChange change = TreeChange::added;
  bool folder = false;     // what the reported node is; a kind change is reported
                           // as a removal and an addition
  std::string_view path;   // the folders above (the new tree's names) and the
                           // node's name, joined by '/', as the window shows them
  FolderTotals oldTotals;  // for a folder (also what was read of one not entered)
  FolderTotals newTotals;
  std::string_view oldPath;  // where a moved node stood (its path in the old tree)
  ChangeSide oldSide;        // not present when added
  ChangeSide newSide;        // not present when removed
  // Why the side's folder that was not entered could not be (at most one
  // side of a difference is such a folder), without a trailing line break.
  std::string_view reason;
};

// The same with the nodes it concerns, on either kind of catalogue.
template <class Node>
struct NodeDifference : Difference {
  Node oldNode{};  // none when added
  Node newNode{};  // none when removed
};
using TreeDifference = NodeDifference<HTREEITEM>;
using FlatDifference = NodeDifference<FlatCatalogue::Node>;

// What a comparison does beyond reporting the differences.
template <class Node>
struct BasicCompareOptions {
  bool detectMoves = true;  // false: a move is a removal and an addition
  // Called with every pair of nodes that stand for one entry: those matched
  // by path (changed or not), a moved node and, below a moved folder, each
  // of its nodes. Parents come before their children.
  std::function<void(Node oldNode, Node newNode)> matched;
};
using CompareOptions = BasicCompareOptions<HTREEITEM>;

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
// folders of k children. Neither tree may change meanwhile. With moves
// detected, the additions and removals are held until the end and a move is
// reported where its node stands in the new tree.
void CompareTrees(const CTreeCtrl& oldTree, const CTreeCtrl& newTree,
                  const std::function<void(const TreeDifference&)>& report,
                  const CompareOptions& options = {});

// The same for one branch of each tree, oldTop and newTop matched whatever
// their labels. The trees may be one and the same control (the branches
// side by side). Paths start with the folders above newTop.
void CompareBranches(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                     HTREEITEM newTop, const std::function<void(const TreeDifference&)>& report,
                     const CompareOptions& options = {});

// The same for two catalogues read into flat form (ztr-tool diff), with the
// same differences in the same order.
void CompareCatalogues(const FlatCatalogue& oldSide, const FlatCatalogue& newSide,
                       const std::function<void(const FlatDifference&)>& report,
                       const BasicCompareOptions<FlatCatalogue::Node>& options = {});
