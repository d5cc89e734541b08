// Rebuilding a tree from the records of a tree file. The same code serves
// File Open, ztr-tool and the fuzzer, so each sees exactly what the window
// would show.
#pragma once

#include <functional>
#include <string>

#include "tree/nest_limit.h"
#include "tree/tree_ctrl.h"

class CArchive;

// How reading ended.
enum class TreeReadEnd {
  endOfRecords,  // the end of the file, or a record with a negative level
  nestLimit,     // a record too deep for the level table (the caller tells the user)
  refused,       // the tree control took no more nodes
  cutShort,      // the file ends inside a record: it was not written whole
};

// What the user is told of a read of the file at path that ended so, with
// the caption "File Open"; empty when there is nothing to tell.
std::string TreeReadEndText(TreeReadEnd end, const std::string& path);

// Reads node records until the end of the file and inserts each as the last
// child of its parent: for level 0 the top, for level L the last node read at
// level L-1 (or the top when there was none). Nodes without a parent go under
// topParent (null or TVI_ROOT: the top level). perNode sees each new node
// once, after it is in the tree.
//
// The end of the file after a whole record is not a failure (every whole
// catalogue ends so); an end inside a record is told by cutShort, after the
// node of a record whose display or data part was cut is made. Read
// failures of the file and memory exhaustion throw; the nodes made so far
// stay, and no data record is lost on the way out.
TreeReadEnd ReadTree(CArchive& ar, CTreeCtrl& tree, HTREEITEM topParent,
                     const std::function<void(HTREEITEM)>& perNode);
