#include "compare/tree_compare.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "compare/move_detection.h"
#include "platform/cp1252.h"
#include "platform/local_time.h"
#include "tree/display_path.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"
#include "tree/tree_walk.h"

namespace {

constexpr int32_t kUnmatched = -1;

struct Child {
  std::string_view name;
  HTREEITEM node;
  uint32_t index;  // position among its siblings
};

// A time kept in whole seconds (ncdu's mtime, a file system without finer
// times) matches the other side's time within the same second.
bool SameLastWrite(FILETIME a, FILETIME b) {
  constexpr auto kSecond = static_cast<uint64_t>(kFileTimeTicksPerSecond);
  const uint64_t x = FileTimeToU64(a), y = FileTimeToU64(b);
  if (x % kSecond == 0 || y % kSecond == 0) return x / kSecond == y / kSecond;
  return x == y;
}

bool ByNameThenPosition(const Child& a, const Child& b) {
  return a.name != b.name ? a.name < b.name : a.index < b.index;
}

// One folder pair being compared; one per depth, reused for every folder
// at that depth, so no allocation is made once the buffers have grown.
struct Level {
  std::vector<Child> olds;
  std::vector<Child> news;
  std::vector<int32_t> oldOfNew;  // the old child matched to each new one
  std::vector<size_t> gapEnd;     // the old child matched next at or after each new one
  std::vector<char> oldMatched;
  size_t pathLength = 0;  // the parent path's length in the shared buffer
};

class TreeComparer {
 public:
  TreeComparer(const CTreeCtrl& oldTree, const CTreeCtrl& newTree,
               const std::function<void(const TreeDifference&)>& report,
               const CompareOptions& options)
      : m_old(oldTree), m_new(newTree), m_report(report), m_options(options) {}

  void Run();
  // Compares two branches as a pair, the paths starting from newTop's parent.
  void RunBranches(HTREEITEM oldTop, HTREEITEM newTop);

 private:
  void CompareChildren(HTREEITEM oldParent, HTREEITEM newParent, size_t depth);
  void Collect(const CTreeCtrl& tree, HTREEITEM parent, std::vector<Child>& children);
  static void Match(Level& level);
  void ComparePair(HTREEITEM oldNode, HTREEITEM newNode, size_t depth);
  void ReportOne(TreeChange change, HTREEITEM oldNode, HTREEITEM newNode);
  FolderTotals Totals(const CTreeCtrl& tree, HTREEITEM folder) const;
  // Sets m_line to the parent path (m_path) and the node's name.
  void FormPath(const CTreeCtrl& tree, HTREEITEM node);
  void EnterFolder(HTREEITEM newNode);
  // Compares with every addition and removal held back until the end, when
  // moves are paired out of them.
  void WithMoves(const std::function<void()>& compare);
  void Pass(const TreeDifference& difference);

  const CTreeCtrl& m_old;
  const CTreeCtrl& m_new;
  const std::function<void(const TreeDifference&)>& m_report;
  const CompareOptions& m_options;
  MoveDetector* m_moves = nullptr;  // while moves are being detected
  std::deque<Level> m_levels;       // a deque: a level stays put while deeper ones are added
  std::string m_path;      // the folders above the current one, each followed by m_separator
  char m_separator = '/';  // of the top-level folder being compared
  std::string m_line;
};

size_t CountTopLevel(const CTreeCtrl& tree) {
  size_t count = 0;
  for (HTREEITEM n = tree.GetRootItem(); n != nullptr && count < 2; n = tree.GetNextSiblingItem(n))
    ++count;
  return count;
}

void TreeComparer::Run() {
  WithMoves([&] {
    if (CountTopLevel(m_old) == 1 && CountTopLevel(m_new) == 1) {
      ComparePair(m_old.GetRootItem(), m_new.GetRootItem(), 0);
    } else {
      CompareChildren(nullptr, nullptr, 0);
    }
  });
}

void TreeComparer::RunBranches(HTREEITEM oldTop, HTREEITEM newTop) {
  HTREEITEM top = newTop;
  while (HTREEITEM parent = m_new.GetParentItem(top)) top = parent;
  m_separator = PathSeparatorFor(m_new.GetItemText(top));
  AppendDisplayParentPath(m_new, newTop, m_path);
  const size_t pathLength = m_path.size();
  WithMoves([&] {
    ComparePair(oldTop, newTop, 0);
    m_path.resize(pathLength);
  });
}

void TreeComparer::WithMoves(const std::function<void()>& compare) {
  if (!m_options.detectMoves) {
    compare();
    return;
  }
  MoveDetector moves(m_old, m_new);
  m_moves = &moves;
  compare();
  m_moves = nullptr;
  moves.Release([&](const TreeDifference& d) { Pass(d); });
}

void TreeComparer::Pass(const TreeDifference& difference) {
  m_report(difference);
  if (difference.change != TreeChange::moved || !m_options.matched) return;
  m_options.matched(difference.oldNode, difference.newNode);
  // The nodes of a moved folder pair by name, as the folder is the same.
  if (difference.folder) {
    const std::function<void(const TreeDifference&)> none = [](const TreeDifference&) {};
    const CompareOptions pairsOnly{false, m_options.matched};
    TreeComparer within(m_old, m_new, none, pairsOnly);
    within.CompareChildren(difference.oldNode, difference.newNode, 0);
  }
}

void TreeComparer::Collect(const CTreeCtrl& tree, HTREEITEM parent, std::vector<Child>& children) {
  children.clear();
  HTREEITEM node = parent != nullptr ? tree.GetChildItem(parent) : tree.GetRootItem();
  for (uint32_t i = 0; node != nullptr; node = tree.GetNextSiblingItem(node), ++i)
    children.push_back({CompareName(tree, node), node, i});
}

// Equal names are paired in their order on each side, so a name that
// occurs twice (two scans of one folder side by side) pairs first with
// first and second with second.
void TreeComparer::Match(Level& level) {
  const size_t oldCount = level.olds.size();
  const size_t newCount = level.news.size();
  level.oldOfNew.assign(newCount, kUnmatched);
  level.oldMatched.assign(oldCount, 0);
  // Usually both sides list the same names in the same order.
  if (oldCount == newCount &&
      std::equal(level.olds.begin(), level.olds.end(), level.news.begin(),
                 [](const Child& a, const Child& b) { return a.name == b.name; })) {
    for (size_t i = 0; i < newCount; ++i) level.oldOfNew[i] = static_cast<int32_t>(i);
    std::fill(level.oldMatched.begin(), level.oldMatched.end(), 1);
    return;
  }
  std::sort(level.olds.begin(), level.olds.end(), ByNameThenPosition);
  std::sort(level.news.begin(), level.news.end(), ByNameThenPosition);
  size_t o = 0, n = 0;
  while (o < oldCount && n < newCount) {
    const Child& a = level.olds[o];
    const Child& b = level.news[n];
    if (a.name < b.name) {
      ++o;
    } else if (b.name < a.name) {
      ++n;
    } else {
      level.oldOfNew[b.index] = static_cast<int32_t>(a.index);
      level.oldMatched[a.index] = 1;
      ++o, ++n;
    }
  }
  // Back in sibling order for the report.
  const auto byPosition = [](const Child& a, const Child& b) { return a.index < b.index; };
  std::sort(level.olds.begin(), level.olds.end(), byPosition);
  std::sort(level.news.begin(), level.news.end(), byPosition);
}

void TreeComparer::CompareChildren(HTREEITEM oldParent, HTREEITEM newParent, size_t depth) {
  if (m_levels.size() <= depth) m_levels.resize(depth + 1);
  Level& level = m_levels[depth];
  Collect(m_old, oldParent, level.olds);
  Collect(m_new, newParent, level.news);
  Match(level);
  level.pathLength = m_path.size();

  // Between two matched pairs, as diff shows a hunk, the old children
  // nobody matched come first and the unmatched new ones after them.
  level.gapEnd.resize(level.news.size());
  size_t gapEnd = level.olds.size();
  for (size_t i = level.news.size(); i-- > 0;) {
    if (level.oldOfNew[i] != kUnmatched) gapEnd = static_cast<size_t>(level.oldOfNew[i]);
    level.gapEnd[i] = gapEnd;
  }
  size_t nextOld = 0;
  const auto reportRemovedBefore = [&](size_t end) {
    for (; nextOld < end; ++nextOld) {
      if (!level.oldMatched[nextOld])
        ReportOne(TreeChange::removed, level.olds[nextOld].node, nullptr);
    }
  };
  for (size_t i = 0; i < level.news.size(); ++i) {
    const int32_t match = level.oldOfNew[i];
    if (match == kUnmatched) {
      reportRemovedBefore(level.gapEnd[i]);
      ReportOne(TreeChange::added, nullptr, level.news[i].node);
      continue;
    }
    const auto at = static_cast<size_t>(match);
    reportRemovedBefore(at);
    nextOld = std::max(nextOld, at + 1);
    ComparePair(level.olds[at].node, level.news[i].node, depth);
    m_path.resize(level.pathLength);
  }
  reportRemovedBefore(level.olds.size());
}

void TreeComparer::ComparePair(HTREEITEM oldNode, HTREEITEM newNode, size_t depth) {
  const CTreeItemData* oldData = m_old.GetItemData(oldNode);
  const CTreeItemData* newData = m_new.GetItemData(newNode);
  if ((oldData == nullptr) != (newData == nullptr)) {
    ReportOne(TreeChange::removed, oldNode, nullptr);
    ReportOne(TreeChange::added, nullptr, newNode);
    return;
  }
  if (m_options.matched) m_options.matched(oldNode, newNode);
  if (oldData != nullptr) {
    if (oldData->m_nFileSize != newData->m_nFileSize ||
        !SameLastWrite(oldData->m_ftLastWrite, newData->m_ftLastWrite))
      ReportOne(TreeChange::changed, oldNode, newNode);
    return;
  }
  // A folder that could not be entered on both sides may still hold what
  // was read of it (ncdu keeps the entries it could list): compare that.
  if (IsUnreadableFolder(m_old, oldNode) != IsUnreadableFolder(m_new, newNode)) {
    ReportOne(TreeChange::unreadable, oldNode, newNode);
  } else {
    EnterFolder(newNode);
    CompareChildren(oldNode, newNode, depth + 1);
  }
}

void TreeComparer::EnterFolder(HTREEITEM newNode) {
  if (m_path.empty()) m_separator = PathSeparatorFor(m_new.GetItemText(newNode));
  AppendDisplayText(CompareName(m_new, newNode), m_path);
  if (m_path.empty() || m_path.back() != m_separator) m_path += m_separator;
}

void TreeComparer::FormPath(const CTreeCtrl& tree, HTREEITEM node) {
  // As find prints a node's path: slashes at the end of the folders' part
  // become one.
  m_line.assign(m_path);
  if (!m_line.empty()) {
    while (!m_line.empty() && m_line.back() == m_separator) m_line.pop_back();
    m_line += m_separator;
  }
  AppendDisplayText(CompareName(tree, node), m_line);
}

void TreeComparer::ReportOne(TreeChange change, HTREEITEM oldNode, HTREEITEM newNode) {
  TreeDifference difference{change, false, {}, oldNode, newNode, {}, {}, {}};
  if (newNode != nullptr) {
    FormPath(m_new, newNode);
    difference.folder = m_new.GetItemData(newNode) == nullptr;
  } else {
    FormPath(m_old, oldNode);
    difference.folder = m_old.GetItemData(oldNode) == nullptr;
  }
  difference.path = m_line;
  if (difference.folder) {
    if (oldNode != nullptr) difference.oldTotals = Totals(m_old, oldNode);
    if (newNode != nullptr) difference.newTotals = Totals(m_new, newNode);
  }
  // Every difference is held while moves are looked for, so all keep their order.
  if (m_moves != nullptr) {
    m_moves->Hold(difference);
  } else {
    m_report(difference);
  }
}

FolderTotals TreeComparer::Totals(const CTreeCtrl& tree, HTREEITEM folder) const {
  FolderTotals totals;
  // Sizes from a file can be anything: the sum wraps rather than overflows.
  uint64_t bytes = 0;
  for (HTREEITEM node = tree.GetChildItem(folder); node != nullptr;
       node = NextInPreOrder(tree, node, folder)) {
    if (const CTreeItemData* data = tree.GetItemData(node)) {
      ++totals.files;
      bytes += static_cast<uint64_t>(data->m_nFileSize);
    }
  }
  totals.bytes = static_cast<int64_t>(bytes);
  return totals;
}

}  // namespace

std::string_view CompareName(const CTreeCtrl& tree, HTREEITEM node) {
  const std::string_view label = tree.GetItemText(node);
  if (const CTreeItemData* data = tree.GetItemData(node))
    return FileLabelName(label, data->m_nFileSize);
  if (IsUnreadableFolder(tree, node)) return SplitUnreadableLabel(label).name;
  return label;
}

bool IsUnreadableFolder(const CTreeCtrl& tree, HTREEITEM node) {
  return tree.GetItemData(node) == nullptr && tree.GetStateImage(node) == kStateUnreadable;
}

void CompareTrees(const CTreeCtrl& oldTree, const CTreeCtrl& newTree,
                  const std::function<void(const TreeDifference&)>& report,
                  const CompareOptions& options) {
  TreeComparer(oldTree, newTree, report, options).Run();
}

void CompareBranches(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                     HTREEITEM newTop, const std::function<void(const TreeDifference&)>& report,
                     const CompareOptions& options) {
  TreeComparer(oldTree, newTree, report, options).RunBranches(oldTop, newTop);
}
