// Showing a node that a search of the library found: the catalogue is
// opened the way File Open opens it, and the node shown the way Find shows
// what it finds.
#include <filesystem>
#include <system_error>

#include "app/main_frame.h"
#include "platform/utf8_path.h"
#include "tree/display_path.h"
#include "tree/tree_walk.h"

namespace {

bool SameFile(const std::string& a, const std::string& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code error;
  return a == b || std::filesystem::equivalent(Utf8Path(a), Utf8Path(b), error);
}

HTREEITEM NodeAt(const CTreeCtrl& tree, uint64_t index) {
  HTREEITEM node = tree.GetRootItem();
  for (uint64_t i = 0; node != nullptr && i < index; ++i) node = NextInPreOrder(tree, node);
  return node;
}

// A row's path is the folders above the node and its name; the node's shown
// path goes on with the rest of its label (a file's size and date).
bool PathFits(const CTreeCtrl& tree, HTREEITEM node, std::string_view path) {
  return node != nullptr && DisplayPath(tree, node).starts_with(path);
}

}  // namespace

bool CMainFrame::ShowCatalogueNode(const std::string& catalogue, uint64_t nodeIndex,
                                   std::string_view path) {
  if (!SameFile(catalogue, m_strTreeFile)) {
    if (!QuerySaveTree()) return false;
    LoadTree(catalogue);
  }
  CTreeCtrl& tree = Tree();
  HTREEITEM node = NodeAt(tree, nodeIndex);
  // The tree in the window may have changed since the search (a branch
  // pruned): then the node is looked for by its path.
  if (!PathFits(tree, node, path)) {
    CWaitCursor wait(m_host);
    node = tree.GetRootItem();
    while (node != nullptr && !PathFits(tree, node, path)) node = NextInPreOrder(tree, node);
  }
  if (node != nullptr) {
    tree.SelectItem(node);
    tree.EnsureVisible(node);
  }
  m_host.SetFocusToTree();
  return true;
}
