#include "compare/carry_marks.h"

#include "compare/tree_compare.h"
#include "tree/mark_state.h"
#include "tree/tree_item.h"
#include "tree/tree_walk.h"

namespace {

bool Within(const CTreeCtrl& tree, HTREEITEM node, HTREEITEM top) {
  for (; node != nullptr; node = tree.GetParentItem(node))
    if (node == top) return true;
  return false;
}

// A folder's state from its children, as marking a node works it out for
// its ancestors; a folder with nothing to mark below keeps its own.
void WorkOutFolderStates(CTreeCtrl& tree, HTREEITEM top) {
  WalkBranch(tree, top, 0, false, [&](HTREEITEM node, int) {
    if (!TakesMarks(tree.GetStateImage(node))) return;
    if (const int state = StateFromChildren(tree, node); state != kStateNone)
      tree.SetItemState(node, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state)), TVIS_STATEIMAGEMASK);
  });
}

}  // namespace

MarkedTotals CarryMarks(const CTreeCtrl& oldTree, HTREEITEM oldTop, CTreeCtrl& newTree,
                        HTREEITEM newTop) {
  return CarryMarks(oldTree, oldTop, newTree, newTop, [](const TreeDifference&) {});
}

MarkedTotals CarryMarks(const CTreeCtrl& oldTree, HTREEITEM oldTop, CTreeCtrl& newTree,
                        HTREEITEM newTop,
                        const std::function<void(const TreeDifference&)>& report) {
  CompareOptions options;
  options.matched = [&](HTREEITEM oldNode, HTREEITEM newNode) {
    const int oldState = oldTree.GetStateImage(oldNode);
    if (TakesMarks(oldState) && TakesMarks(newTree.GetStateImage(newNode)))
      newTree.SetItemState(newNode, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(oldState)),
                           TVIS_STATEIMAGEMASK);
  };
  CompareBranches(oldTree, oldTop, newTree, newTop, report, options);
  WorkOutFolderStates(newTree, newTop);

  MarkedTotals totals;
  uint64_t bytes = 0;
  WalkBranch(newTree, newTop, 0, true, [&](HTREEITEM node, int) {
    const CTreeItemData* data = newTree.GetItemData(node);
    if (data == nullptr || !CountsAsMarked(newTree.GetStateImage(node))) return;
    ++totals.files;
    bytes += static_cast<uint64_t>(data->m_nFileSize);
  });
  totals.bytes = static_cast<int64_t>(bytes);
  return totals;
}

bool ReplaceBranch(CTreeCtrl& tree, HTREEITEM oldTop, HTREEITEM newTop) {
  if (!tree.IsValid(oldTop) || !tree.IsValid(newTop) || Within(tree, oldTop, newTop) ||
      Within(tree, newTop, oldTop))
    return false;
  if (!tree.MoveItem(newTop, tree.GetParentItem(oldTop), oldTop)) return false;
  return tree.DeleteItem(oldTop);
}
