// Writing nodes of the tree control as records of a tree file.
#pragma once

#include "tree/tree_ctrl.h"

class CArchive;

// Writes one node as a record at the given nest level. A label longer than
// a record keeps is cut, never inside a UTF-8 character.
void WriteTreeRecord(const CTreeCtrl& tree, HTREEITEM node, int level, CArchive& ar);

// The same for a node that is not in a tree: its label, state, images,
// children flag and data (lParam) as the control would report them.
void WriteTreeRecord(const TVITEM& item, int level, CArchive& ar);
