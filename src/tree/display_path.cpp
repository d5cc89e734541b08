#include "tree/display_path.h"

#include <algorithm>
#include <vector>

#include "platform/cp1252.h"

namespace {

// The one rule for joining ancestors' labels; `append` adds one label.
template <class Append>
void AppendPath(std::span<const std::string_view> ancestors, std::string& out, Append append) {
  if (ancestors.empty()) return;
  const char separator = PathSeparatorFor(ancestors.front());
  const size_t start = out.size();
  for (const std::string_view label : ancestors) {
    append(label, out);
    if (out.size() == start || out.back() != separator) out += separator;
  }
  while (out.size() > start && out.back() == separator) out.pop_back();
  out += separator;
}

std::vector<std::string_view> Ancestors(const CTreeCtrl& tree, HTREEITEM node) {
  std::vector<std::string_view> ancestors;
  for (HTREEITEM p = tree.GetParentItem(node); p; p = tree.GetParentItem(p))
    ancestors.push_back(tree.GetItemText(p));
  std::reverse(ancestors.begin(), ancestors.end());
  return ancestors;
}

void AppendBytes(std::string_view label, std::string& out) { out.append(label); }

}  // namespace

char PathSeparatorFor(std::string_view topLabel) {
  const bool windows =
      topLabel.find('\\') != std::string_view::npos && topLabel.find('/') == std::string_view::npos;
  return windows ? '\\' : '/';
}

void AppendParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  AppendPath(Ancestors(tree, node), out, AppendBytes);
}

void AppendDisplayParentPath(std::span<const std::string_view> ancestors, std::string& out) {
  AppendPath(ancestors, out, AppendDisplayText);
}

void AppendDisplayParentPath(const CTreeCtrl& tree, HTREEITEM node, std::string& out) {
  AppendDisplayParentPath(Ancestors(tree, node), out);
}

std::string DisplayPath(const CTreeCtrl& tree, HTREEITEM node) {
  std::string text;
  AppendDisplayParentPath(tree, node, text);
  AppendDisplayText(tree.GetItemText(node), text);
  return text;
}
