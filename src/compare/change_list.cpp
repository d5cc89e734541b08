#include "compare/change_list.h"

#include "platform/cp1252.h"
#include "platform/number_text.h"
#include "tree/display_path.h"
#include "tree/file_label.h"
#include "tree/tree_item.h"

namespace {

std::string DisplayName(const CTreeCtrl& tree, HTREEITEM node) {
  std::string name;
  AppendDisplayText(CompareName(tree, node), name);
  return name;
}

// Follows the rest of a path down from node, one name at a time.
HTREEITEM Descend(const CTreeCtrl& tree, HTREEITEM node, std::string_view rest, char separator,
                  bool& whole) {
  for (;;) {
    while (!rest.empty() && rest.front() == separator) rest.remove_prefix(1);
    whole = rest.empty();
    if (whole) return node;
    const size_t end = rest.find(separator);
    const std::string_view name = rest.substr(0, end);
    HTREEITEM child = tree.GetChildItem(node);
    while (child != nullptr && DisplayName(tree, child) != name)
      child = tree.GetNextSiblingItem(child);
    if (child == nullptr) return node;
    node = child;
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end);
  }
}

}  // namespace

ChangeKind KindOf(TreeChange change) {
  switch (change) {
    case TreeChange::added:
      return ChangeKind::added;
    case TreeChange::removed:
      return ChangeKind::removed;
    case TreeChange::changed:
      return ChangeKind::changed;
    case TreeChange::moved:
      return ChangeKind::moved;
    case TreeChange::unreadable:
      break;
  }
  return ChangeKind::unreadable;
}

std::string_view ChangeKindName(ChangeKind kind) {
  static constexpr std::string_view kNames[kChangeKindCount] = {"added", "removed", "changed",
                                                                "moved", "unreadable"};
  return kNames[static_cast<size_t>(kind)];
}

void CountChange(ChangeTallies& tallies, ChangeKind kind, const ChangeSide& oldSide,
                 const ChangeSide& newSide) {
  ChangeTally& tally = tallies[static_cast<size_t>(kind)];
  ++tally.entries;
  const ChangeSide& counted = kind == ChangeKind::added ? newSide : oldSide;
  tally.files += counted.files;
  tally.bytes += static_cast<uint64_t>(counted.bytes);
  if (kind == ChangeKind::changed) tally.newBytes += static_cast<uint64_t>(newSide.bytes);
}

void ChangeList::Add(ChangeEntry entry) {
  CountChange(tallies, entry.kind, entry.oldSide, entry.newSide);
  entries.push_back(std::move(entry));
}

std::function<void(const TreeDifference&)> CollectChanges(ChangeList& list) {
  return [&list](const TreeDifference& d) {
    ChangeEntry entry;
    entry.kind = KindOf(d.change);
    entry.folder = d.folder;
    entry.path.assign(d.path);
    entry.from.assign(d.oldPath);
    entry.oldSide = d.oldSide;
    entry.newSide = d.newSide;
    AppendDisplayText(d.reason, entry.reason);
    list.Add(std::move(entry));
  };
}

ChangeList ListChanges(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                       HTREEITEM newTop) {
  ChangeList list;
  const auto add = CollectChanges(list);
  if (oldTop == nullptr && newTop == nullptr)
    CompareTrees(oldTree, newTree, add);
  else
    CompareBranches(oldTree, oldTop, newTree, newTop, add);
  return list;
}

std::string ChangeSummary(const ChangeList& list) {
  std::string text;
  for (size_t k = 0; k < kChangeKindCount; ++k) {
    const ChangeTally& t = list.tallies[k];
    if (t.entries == 0) continue;
    const auto kind = static_cast<ChangeKind>(k);
    if (!text.empty()) text += ", ";
    text += Thousands(t.entries) + " " + std::string(ChangeKindName(kind));
    if (kind == ChangeKind::changed)
      text += " (" + Thousands(t.bytes) + " -> " + Thousands(t.newBytes) + " bytes)";
    else if (kind != ChangeKind::unreadable)
      text += " (" + Thousands(t.files) + (t.files == 1 ? " file, " : " files, ") +
              Thousands(t.bytes) + " bytes)";
  }
  return text.empty() ? "no changes" : text;
}

HTREEITEM FindNodeByPath(const CTreeCtrl& tree, std::string_view path, bool& whole) {
  whole = false;
  for (HTREEITEM top = tree.GetRootItem(); top != nullptr; top = tree.GetNextSiblingItem(top)) {
    const std::string name = DisplayName(tree, top);
    if (!path.starts_with(name)) continue;
    const char separator = PathSeparatorFor(tree.GetItemText(top));
    const std::string_view rest = path.substr(name.size());
    // "/data" does not lead to "/database".
    if (!rest.empty() && rest.front() != separator && !name.ends_with(separator)) continue;
    return Descend(tree, top, rest, separator, whole);
  }
  return nullptr;
}
