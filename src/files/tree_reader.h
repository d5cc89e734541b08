// Rebuilding a tree from the records of a tree file. The same code serves
// File Open, ztr-tool and the fuzzer, so each sees exactly what the window
// would show.
#pragma once

#include <functional>

#include "tree/nest_limit.h"
#include "tree/tree_ctrl.h"

class CArchive;

// How reading ended.
enum class TreeReadEnd {
  endOfRecords,  // the end of the file, or a record with a negative level
  nestLimit,     // a record too deep for the level table (the caller tells the user)
  refused,       // the tree control took no more nodes
};

// Reads node records until the end of the file and inserts each as the last
// child of its parent: for level 0 the top, for level L the last node read at
// level L-1 (or the top when there was none). Nodes without a parent go under
// topParent (null or TVI_ROOT: the top level). perNode sees each new node
// once, after it is in the tree.
//
// The end of the file, however it falls, is not a failure. Read failures of
// the file and memory exhaustion throw; the nodes made so far stay, and no
// data record is lost on the way out.
TreeReadEnd ReadTree(CArchive& ar, CTreeCtrl& tree, HTREEITEM topParent,
                     const std::function<void(HTREEITEM)>& perNode);
