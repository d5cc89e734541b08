// A folder's check box as its children make it.
#pragma once

#include "tree/tree_ctrl.h"

// All children that take marks alike give their state; a mix gives partly
// marked; kStateNone when no child takes marks.
inline int StateFromChildren(const CTreeCtrl& tree, HTREEITEM node) {
  int state = kStateNone;
  for (HTREEITEM child = tree.GetChildItem(node); child; child = tree.GetNextSiblingItem(child)) {
    const int i = tree.GetStateImage(child);
    if (!TakesMarks(i)) continue;
    if (state == kStateNone) {
      state = i;
    } else if (state != i) {
      return kStatePartlyMarked;
    }
  }
  return state;
}
