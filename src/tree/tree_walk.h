// Stepping through the tree control in pre-order, without recursion, so no
// depth of catalogue can exhaust the stack.
#pragma once

#include "tree/tree_ctrl.h"

// The node after `node` in pre-order, following the child links (collapsed
// branches included) and staying inside the branch of `top` (null: the whole
// tree); null past its last node. The has-children flag is not consulted: a
// node flagged but without children is a leaf here. When given, *depth is
// kept at the returned node's nest level (relative to where it started).
inline HTREEITEM NextInPreOrder(const CTreeCtrl& tree, HTREEITEM node, HTREEITEM top = nullptr,
                                int* depth = nullptr) {
  if (HTREEITEM child = tree.GetChildItem(node)) {
    if (depth) ++*depth;
    return child;
  }
  for (; node != nullptr && node != top; node = tree.GetParentItem(node)) {
    if (HTREEITEM sibling = tree.GetNextSiblingItem(node)) return sibling;
    if (depth) --*depth;
  }
  return nullptr;
}
