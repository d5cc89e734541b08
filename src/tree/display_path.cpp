#include "tree/display_path.h"

#include <algorithm>
#include <vector>

#include "platform/cp1252.h"

void AppendDisplayParentPath(std::span<const std::string_view> ancestors, std::string& out) {
  const size_t start = out.size();
  for (const std::string_view label : ancestors) {
    AppendDisplayText(label, out);
    if (out.size() == start || out.back() != '/') out += '/';
  }
  while (out.size() > start && out.back() == '/') out.pop_back();
  if (!ancestors.empty()) out += '/';
}

void AppendDisplayParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  std::vector<std::string_view> ancestors;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p))
    ancestors.push_back(tree.GetItemText(p));
  std::reverse(ancestors.begin(), ancestors.end());
  AppendDisplayParentPath(ancestors, out);
}

std::string DisplayPath(const CTreeCtrl& tree, HTREEITEM node) {
  std::string text;
  AppendDisplayParentPath(tree, node, text);
  AppendDisplayText(tree.GetItemText(node), text);
  return text;
}
