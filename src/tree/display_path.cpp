#include "tree/display_path.h"

#include <vector>

#include "platform/cp1252.h"

void AppendDisplayParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  std::vector<HTREEITEM> ancestors;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p)) ancestors.push_back(p);
  std::string path;
  for (auto it = ancestors.rbegin(); it != ancestors.rend(); ++it) {
    AppendDisplayText(tree.GetItemText(*it), path);
    if (path.empty() || path.back() != '/') path += '/';
  }
  while (!path.empty() && path.back() == '/') path.pop_back();
  if (!ancestors.empty()) path += '/';
  out += path;
}

std::string DisplayPath(const CTreeCtrl& tree, HTREEITEM node) {
  std::string text;
  AppendDisplayParentPath(tree, node, text);
  AppendDisplayText(tree.GetItemText(node), text);
  return text;
}
