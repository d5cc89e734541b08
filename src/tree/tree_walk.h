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

// The number of ancestors of node: its nest level in the tree.
inline int NestLevel(const CTreeCtrl& tree, HTREEITEM node) {
  int level = 0;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p)) ++level;
  return level;
}

// Calls visit(n, nestLevel) for node (at `level`) and every node below it, in
// pre- or post-order; node null stands for the whole tree, its top-level
// nodes at level + 1. Iterative, over the parent and sibling links. In
// post-order the next sibling and the parent are taken before a node is
// visited, so visit may delete the node it is given.
template <class Visit>
void WalkBranch(const CTreeCtrl& tree, HTREEITEM node, int level, bool preOrder, Visit&& visit) {
  if (preOrder) {
    if (node) visit(node, level);
    int curLevel = level + 1;
    for (HTREEITEM cur = tree.GetChildItem(node); cur;
         cur = NextInPreOrder(tree, cur, node, &curLevel))
      visit(cur, curLevel);
    return;
  }
  HTREEITEM cur = tree.GetChildItem(node);
  int curLevel = level + 1;
  while (cur) {
    while (HTREEITEM child = tree.GetChildItem(cur)) {
      cur = child;
      ++curLevel;
    }
    // Up from the deepest first child, visiting each node after its subtree.
    for (;;) {
      HTREEITEM next = tree.GetNextSiblingItem(cur);
      HTREEITEM parent = tree.GetParentItem(cur);
      visit(cur, curLevel);
      if (next) {
        cur = next;
        break;  // down into the next sibling's subtree
      }
      cur = parent;
      --curLevel;
      if (cur == node || cur == nullptr) {
        cur = nullptr;
        break;
      }
    }
  }
  if (node) visit(node, level);
}
