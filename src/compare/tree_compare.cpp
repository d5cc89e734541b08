#include "compare/tree_compare.h"

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "compare/move_detection.h"
#include "compare/tree_side.h"
#include "platform/cp1252.h"
#include "platform/local_time.h"
#include "tree/display_path.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

constexpr int32_t kUnmatched = -1;

template <class Node>
struct Child {
  std::string_view name;
  Node node;
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

template <class Node>
bool ByNameThenPosition(const Child<Node>& a, const Child<Node>& b) {
  return a.name != b.name ? a.name < b.name : a.index < b.index;
}

// One folder pair being compared; one per depth, reused for every folder
// at that depth, so no allocation is made once the buffers have grown.
template <class Node>
struct Level {
  std::vector<Child<Node>> olds;
  std::vector<Child<Node>> news;
  std::vector<int32_t> oldOfNew;  // the old child matched to each new one
  std::vector<size_t> gapEnd;     // the old child matched next at or after each new one
  std::vector<char> oldMatched;
  size_t pathLength = 0;  // the parent path's length in the shared buffer
};

// Side is TreeSide or FlatCatalogue (see tree_side.h).
template <class Side>
class TreeComparer {
 public:
  using Node = typename Side::Node;
  using Difference = NodeDifference<Node>;
  using Options = BasicCompareOptions<Node>;

  TreeComparer(const Side& oldSide, const Side& newSide,
               const std::function<void(const Difference&)>& report, const Options& options)
      : m_old(oldSide), m_new(newSide), m_report(report), m_options(options) {}

  void Run();
  // Compares two branches as a pair, the paths starting from newTop's parent.
  void RunBranches(Node oldTop, Node newTop);

 private:
  void CompareChildren(Node oldParent, Node newParent, size_t depth);
  static void Collect(const Side& side, Node parent, std::vector<Child<Node>>& children);
  static void Match(Level<Node>& level);
  void ComparePair(Node oldNode, Node newNode, size_t depth);
  void ReportOne(TreeChange change, Node oldNode, Node newNode);
  // What the difference tells of one side's node.
  static ChangeSide SideOf(const Side& side, Node node, const FolderTotals& totals);
  static FolderTotals Totals(const Side& side, Node folder);
  // Sets m_line to the parent path (m_path) and the node's name.
  void FormPath(const Side& side, Node node);
  void EnterFolder(Node newNode);
  // Compares with every addition and removal held back until the end, when
  // moves are paired out of them.
  void WithMoves(const std::function<void()>& compare);
  void Pass(const Difference& difference);

  const Side& m_old;
  const Side& m_new;
  const std::function<void(const Difference&)>& m_report;
  const Options& m_options;
  MoveDetector<Side>* m_moves = nullptr;  // while moves are being detected
  std::deque<Level<Node>> m_levels;       // a deque: a level stays put while deeper ones are added
  std::string m_path;      // the folders above the current one, each followed by m_separator
  char m_separator = '/';  // of the top-level folder being compared
  std::string m_line;
};

template <class Side>
size_t CountTopLevel(const Side& side) {
  using Node = typename Side::Node;
  size_t count = 0;
  for (Node n = side.FirstChild(Node{}); n != Node{} && count < 2; n = side.NextSibling(n)) ++count;
  return count;
}

template <class Side>
void TreeComparer<Side>::Run() {
  WithMoves([&] {
    if (CountTopLevel(m_old) == 1 && CountTopLevel(m_new) == 1) {
      ComparePair(m_old.FirstChild(Node{}), m_new.FirstChild(Node{}), 0);
    } else {
      CompareChildren(Node{}, Node{}, 0);
    }
  });
}

template <class Side>
void TreeComparer<Side>::RunBranches(Node oldTop, Node newTop) {
  Node top = newTop;
  while (Node parent = m_new.Parent(top)) top = parent;
  m_separator = PathSeparatorFor(m_new.Label(top));
  AppendDisplayParentPath(m_new.Tree(), newTop, m_path);
  const size_t pathLength = m_path.size();
  WithMoves([&] {
    ComparePair(oldTop, newTop, 0);
    m_path.resize(pathLength);
  });
}

template <class Side>
void TreeComparer<Side>::WithMoves(const std::function<void()>& compare) {
  if (!m_options.detectMoves) {
    compare();
    return;
  }
  MoveDetector<Side> moves(m_old, m_new);
  m_moves = &moves;
  compare();
  m_moves = nullptr;
  moves.Release([&](const Difference& d) { Pass(d); });
}

template <class Side>
void TreeComparer<Side>::Pass(const Difference& difference) {
  m_report(difference);
  if (difference.change != TreeChange::moved || !m_options.matched) return;
  m_options.matched(difference.oldNode, difference.newNode);
  // The nodes of a moved folder pair by name, as the folder is the same.
  if (difference.folder) {
    const std::function<void(const Difference&)> none = [](const Difference&) {};
    const Options pairsOnly{false, m_options.matched};
    TreeComparer within(m_old, m_new, none, pairsOnly);
    within.CompareChildren(difference.oldNode, difference.newNode, 0);
  }
}

template <class Side>
void TreeComparer<Side>::Collect(const Side& side, Node parent,
                                 std::vector<Child<Node>>& children) {
  children.clear();
  uint32_t i = 0;
  for (Node node = side.FirstChild(parent); node != Node{}; node = side.NextSibling(node), ++i)
    children.push_back({side.Name(node), node, i});
}

// Equal names are paired in their order on each side, so a name that
// occurs twice (two scans of one folder side by side) pairs first with
// first and second with second.
template <class Side>
void TreeComparer<Side>::Match(Level<Node>& level) {
  const size_t oldCount = level.olds.size();
  const size_t newCount = level.news.size();
  level.oldOfNew.assign(newCount, kUnmatched);
  level.oldMatched.assign(oldCount, 0);
  // Usually both sides list the same names in the same order.
  if (oldCount == newCount &&
      std::equal(level.olds.begin(), level.olds.end(), level.news.begin(),
                 [](const Child<Node>& a, const Child<Node>& b) { return a.name == b.name; })) {
    for (size_t i = 0; i < newCount; ++i) level.oldOfNew[i] = static_cast<int32_t>(i);
    std::fill(level.oldMatched.begin(), level.oldMatched.end(), 1);
    return;
  }
  std::sort(level.olds.begin(), level.olds.end(), ByNameThenPosition<Node>);
  std::sort(level.news.begin(), level.news.end(), ByNameThenPosition<Node>);
  size_t o = 0, n = 0;
  while (o < oldCount && n < newCount) {
    const Child<Node>& a = level.olds[o];
    const Child<Node>& b = level.news[n];
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
  const auto byPosition = [](const Child<Node>& a, const Child<Node>& b) {
    return a.index < b.index;
  };
  std::sort(level.olds.begin(), level.olds.end(), byPosition);
  std::sort(level.news.begin(), level.news.end(), byPosition);
}

template <class Side>
void TreeComparer<Side>::CompareChildren(Node oldParent, Node newParent, size_t depth) {
  if (m_levels.size() <= depth) m_levels.resize(depth + 1);
  Level<Node>& level = m_levels[depth];
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
        ReportOne(TreeChange::removed, level.olds[nextOld].node, Node{});
    }
  };
  for (size_t i = 0; i < level.news.size(); ++i) {
    const int32_t match = level.oldOfNew[i];
    if (match == kUnmatched) {
      reportRemovedBefore(level.gapEnd[i]);
      ReportOne(TreeChange::added, Node{}, level.news[i].node);
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

template <class Side>
void TreeComparer<Side>::ComparePair(Node oldNode, Node newNode, size_t depth) {
  const bool oldFile = m_old.IsFile(oldNode);
  if (oldFile != m_new.IsFile(newNode)) {
    ReportOne(TreeChange::removed, oldNode, Node{});
    ReportOne(TreeChange::added, Node{}, newNode);
    return;
  }
  if (m_options.matched) m_options.matched(oldNode, newNode);
  if (oldFile) {
    if (m_old.FileSize(oldNode) != m_new.FileSize(newNode) ||
        !SameLastWrite(m_old.LastWrite(oldNode), m_new.LastWrite(newNode)))
      ReportOne(TreeChange::changed, oldNode, newNode);
    return;
  }
  // A folder that could not be entered on both sides may still hold what
  // was read of it (ncdu keeps the entries it could list): compare that.
  if (m_old.IsUnreadable(oldNode) != m_new.IsUnreadable(newNode)) {
    ReportOne(TreeChange::unreadable, oldNode, newNode);
  } else {
    EnterFolder(newNode);
    CompareChildren(oldNode, newNode, depth + 1);
  }
}

template <class Side>
void TreeComparer<Side>::EnterFolder(Node newNode) {
  if (m_path.empty()) m_separator = PathSeparatorFor(m_new.Label(newNode));
  AppendDisplayText(m_new.Name(newNode), m_path);
  if (m_path.empty() || m_path.back() != m_separator) m_path += m_separator;
}

template <class Side>
void TreeComparer<Side>::FormPath(const Side& side, Node node) {
  // As find prints a node's path: slashes at the end of the folders' part
  // become one.
  m_line.assign(m_path);
  if (!m_line.empty()) {
    while (!m_line.empty() && m_line.back() == m_separator) m_line.pop_back();
    m_line += m_separator;
  }
  AppendDisplayText(side.Name(node), m_line);
}

template <class Side>
void TreeComparer<Side>::ReportOne(TreeChange change, Node oldNode, Node newNode) {
  Difference difference;
  difference.change = change;
  difference.oldNode = oldNode;
  difference.newNode = newNode;
  if (newNode != Node{}) {
    FormPath(m_new, newNode);
    difference.folder = !m_new.IsFile(newNode);
  } else {
    FormPath(m_old, oldNode);
    difference.folder = !m_old.IsFile(oldNode);
  }
  difference.path = m_line;
  if (difference.folder) {
    if (oldNode != Node{}) difference.oldTotals = Totals(m_old, oldNode);
    if (newNode != Node{}) difference.newTotals = Totals(m_new, newNode);
  }
  difference.oldSide = SideOf(m_old, oldNode, difference.oldTotals);
  difference.newSide = SideOf(m_new, newNode, difference.newTotals);
  const auto reasonOf = [](const Side& side, Node node) {
    std::string_view reason = SplitUnreadableLabel(side.Label(node)).reason;
    // System texts of some catalogues end in a line break.
    while (!reason.empty() &&
           (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
      reason.remove_suffix(1);
    return reason;
  };
  if (difference.oldSide.unreadable) difference.reason = reasonOf(m_old, oldNode);
  if (difference.newSide.unreadable) difference.reason = reasonOf(m_new, newNode);
  // Every difference is held while moves are looked for, so all keep their order.
  if (m_moves != nullptr) {
    m_moves->Hold(difference);
  } else {
    m_report(difference);
  }
}

template <class Side>
ChangeSide TreeComparer<Side>::SideOf(const Side& side, Node node, const FolderTotals& totals) {
  ChangeSide result;
  if (node == Node{}) return result;
  result.present = true;
  if (side.IsFile(node)) {
    result.files = 1;
    result.bytes = side.FileSize(node);
    result.lastWrite = side.LastWrite(node);
  } else if (side.IsUnreadable(node)) {
    result.unreadable = true;
  } else {
    result.files = totals.files;
    result.bytes = totals.bytes;
  }
  return result;
}

template <class Side>
FolderTotals TreeComparer<Side>::Totals(const Side& side, Node folder) {
  FolderTotals totals;
  // Sizes from a file can be anything: the sum wraps rather than overflows.
  uint64_t bytes = 0;
  ForEachBelow(side, folder, [&](Node node, int) {
    if (!side.IsFile(node)) return;
    ++totals.files;
    bytes += static_cast<uint64_t>(side.FileSize(node));
  });
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
  const TreeSide oldSide(oldTree), newSide(newTree);
  TreeComparer<TreeSide>(oldSide, newSide, report, options).Run();
}

void CompareBranches(const CTreeCtrl& oldTree, HTREEITEM oldTop, const CTreeCtrl& newTree,
                     HTREEITEM newTop, const std::function<void(const TreeDifference&)>& report,
                     const CompareOptions& options) {
  const TreeSide oldSide(oldTree), newSide(newTree);
  TreeComparer<TreeSide>(oldSide, newSide, report, options).RunBranches(oldTop, newTop);
}

void CompareCatalogues(const FlatCatalogue& oldSide, const FlatCatalogue& newSide,
                       const std::function<void(const FlatDifference&)>& report,
                       const BasicCompareOptions<FlatCatalogue::Node>& options) {
  TreeComparer<FlatCatalogue>(oldSide, newSide, report, options).Run();
}
