// The window's tree as one side of a comparison. The comparison and the move
// detection read a side only through these calls, which FlatCatalogue
// offers too, so both kinds of catalogue are compared by the same code.
#pragma once

#include <string_view>
#include <vector>

#include "compare/tree_compare.h"
#include "tree/tree_item.h"

class TreeSide {
 public:
  using Node = HTREEITEM;

  explicit TreeSide(const CTreeCtrl& tree) : m_tree(tree) {}

  const CTreeCtrl& Tree() const { return m_tree; }
  Node FirstChild(Node parent) const {
    return parent != nullptr ? m_tree.GetChildItem(parent) : m_tree.GetRootItem();
  }
  Node NextSibling(Node node) const { return m_tree.GetNextSiblingItem(node); }
  Node Parent(Node node) const { return m_tree.GetParentItem(node); }
  std::string_view Label(Node node) const { return m_tree.GetItemText(node); }
  std::string_view Name(Node node) const { return CompareName(m_tree, node); }
  bool IsFile(Node node) const { return m_tree.GetItemData(node) != nullptr; }
  bool IsUnreadable(Node node) const { return IsUnreadableFolder(m_tree, node); }
  int64_t FileSize(Node node) const { return m_tree.GetItemData(node)->m_nFileSize; }
  FILETIME LastWrite(Node node) const { return m_tree.GetItemData(node)->m_ftLastWrite; }

 private:
  const CTreeCtrl& m_tree;
};

// Calls visit(node, depth) for every node below folder in pre-order, its
// children at depth 0.
template <class Side, class Visit>
void ForEachBelow(const Side& side, typename Side::Node folder, Visit&& visit) {
  using Node = typename Side::Node;
  std::vector<Node> resume;  // the next sibling of each node being descended into
  Node node = side.FirstChild(folder);
  for (;;) {
    while (node == Node{}) {
      if (resume.empty()) return;
      node = resume.back();
      resume.pop_back();
    }
    visit(node, static_cast<int>(resume.size()));
    if (const Node child = side.FirstChild(node); child != Node{}) {
      resume.push_back(side.NextSibling(node));
      node = child;
    } else {
      node = side.NextSibling(node);
    }
  }
}
