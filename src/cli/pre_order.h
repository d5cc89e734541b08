// Every node of a tree in pre-order, without recursion, so no depth of
// catalogue can exhaust the stack.
#pragma once

#include "tree/tree_ctrl.h"

// Calls visit(node, depth) for each node, top-level nodes at depth 0.
template <class Visit>
void ForEachInPreOrder(const CTreeCtrl& tree, Visit&& visit) {
  int depth = 0;
  HTREEITEM node = tree.GetRootItem();
  while (node != nullptr) {
    visit(node, depth);
    if (HTREEITEM child = tree.GetChildItem(node)) {
      node = child;
      ++depth;
      continue;
    }
    // Up until a node with a next sibling (or past the last top-level node).
    while (node != nullptr) {
      if (HTREEITEM next = tree.GetNextSiblingItem(node)) {
        node = next;
        break;
      }
      node = tree.GetParentItem(node);
      --depth;
    }
  }
}
