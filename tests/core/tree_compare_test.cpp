// Matching and report order of the catalogue comparison, on trees built in
// memory where the disk cannot give a fixed order.
#include "compare/tree_compare.h"

#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "compare/carry_marks.h"
#include "support/scripted_host.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"
#include "tree/tree_walk.h"

namespace {

// One node per line, one leading space per level: "name/" a folder, "name!"
// a folder the scan could not enter, anything else a file of 1 byte; a '*'
// before the name marks the node.
void Build(CTreeCtrl& tree, const std::vector<std::string>& lines) {
  std::vector<HTREEITEM> last;
  std::string label;
  for (std::string line : lines) {
    size_t depth = line.find_first_not_of(' ');
    const bool marked = line[depth] == '*';
    if (marked) line.erase(depth, 1);
    const std::string name = line.substr(depth, line.size() - depth - 1);
    const char kind = line.back();
    CTreeItemData* data = nullptr;
    if (kind == '!') {
      label = name + " [Permission denied]";
    } else if (kind == '/') {
      label = name;
    } else {
      data = new CTreeItemData;
      data->m_nFileSize = 1;
      FormatFileLabel(line.substr(depth), *data, label);
    }
    last.resize(depth + 1);
    last[depth] =
        tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_PARAM, label, 1, 2,
                        INDEXTOSTATEIMAGEMASK(kind == '!' ? 4
                                              : marked    ? 2
                                                          : 1),
                        TVIS_STATEIMAGEMASK, data, depth ? last[depth - 1] : TVI_ROOT, TVI_LAST);
  }
}

// The differences of two trees built from lines, one a line: the sign, the
// old path of a move and "-> ", the path.
std::vector<std::string> Compared(const std::vector<std::string>& olds,
                                  const std::vector<std::string>& news, bool detectMoves) {
  ScriptedHost host;
  MemoryProfile profile;
  CMainFrame oldFrame(host, profile), newFrame(host, profile);
  Build(oldFrame.Tree(), olds);
  Build(newFrame.Tree(), news);
  std::vector<std::string> reported;
  CompareTrees(oldFrame.Tree(), newFrame.Tree(),
               [&](const TreeDifference& d) {
                 std::string line = std::string(1, "+-~!>"[static_cast<int>(d.change)]) + " ";
                 if (d.change == TreeChange::moved) line.append(d.oldPath).append(" -> ");
                 reported.push_back(line.append(d.path));
               },
               {.detectMoves = detectMoves, .matched = {}});
  return reported;
}

TEST(TreeCompare, MatchesByNameAndReportsInNewOrder) {
  struct Case {
    std::vector<std::string> olds, news, expected;
  };
  const Case cases[] = {
      // A removed entry comes where it stood among the old siblings.
      {{"t/", " a", " b", " c"}, {"t/", " c", " a", " d"}, {"- t/b", "+ t/d"}},
      // Names twice at the top pair in order; several tops match by name.
      {{"p/", " f", "p/", " g", "q/"}, {"p/", " f", "p/", " h"}, {"- p/g", "+ p/h", "- q"}},
      // One top on each side: matched whatever their paths.
      {{"/mnt/a/", " x"}, {"/media/b/", " x", " y"}, {"+ /media/b/y"}},
      // A kind change is a removal and an addition; a folder not entered is one line.
      {{"t/", " k", " u/", "  z"}, {"t/", " k/", " u!"}, {"- t/k", "+ t/k", "! t/u"}},
      // A file's name is exact, trailing spaces and size-like text included.
      {{"t/", " a  ", " b   1 bytes, x"}, {"t/", " a  ", " b   1 bytes, x", " a"}, {"+ t/a"}},
      {{"/", " x/", "  y"}, {"/", " x/", "  z"}, {"- /x/y", "+ /x/z"}},
      // Not entered on both sides: what each holds is compared.
      {{"t/", " u!", "  a", "  k"}, {"t/", " u!", "  b", "  k"}, {"- t/u/a", "+ t/u/b"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Compared(c.olds, c.news, false), c.expected) << c.expected.front();
}

// A file or a whole folder that went elsewhere is one move, reported where
// it now stands; anything less alike stays a removal and an addition.
TEST(TreeCompare, PairsRemovalsWithAdditionsAsMoves) {
  struct Case {
    std::vector<std::string> olds, news, expected;
  };
  const Case cases[] = {
      {{"t/", " a/", "  m", " b/"}, {"t/", " a/", " b/", "  m"}, {"> t/a/m -> t/b/m"}},
      // A folder with all it holds; one whose content differs is no move.
      {{"t/", " a/", "  f/", "   g", " b/"},
       {"t/", " a/", " b/", "  f/", "   g"},
       {"> t/a/f -> t/b/f"}},
      {{"t/", " a/", "  f/", "   g", " b/"},
       {"t/", " a/", " b/", "  f/", "   h"},
       {"- t/a/f", "+ t/b/f"}},
      // A renamed file, or one that became a folder, is not moved.
      {{"t/", " a/", "  m", " b/"},
       {"t/", " a/", " b/", "  n", "  m/"},
       {"- t/a/m", "+ t/b/n", "+ t/b/m"}},
      // Alike names pair first with first; what is left over stays.
      {{"t/", " a/", "  m", " b/", "  m", " c/"},
       {"t/", " a/", " b/", " c/", "  m"},
       {"- t/b/m", "> t/a/m -> t/c/m"}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Compared(c.olds, c.news, true), c.expected) << c.expected.front();
}

// Each node of a branch as "label state", in pre-order.
std::vector<std::string> States(const CTreeCtrl& tree, HTREEITEM top) {
  std::vector<std::string> out;
  WalkBranch(tree, top, 0, true, [&](HTREEITEM node, int) {
    out.push_back(std::string(CompareName(tree, node)) + " " +
                  std::to_string(tree.GetStateImage(node)));
  });
  return out;
}

// A mark stays with its entry: by path, or where a file or a whole folder
// moved; new nodes stay unmarked, a folder not entered keeps its sign, and
// folders take their state from their children.
TEST(CarryMarks, KeepsEachEntrysMarkInOneTreeOrTwo) {
  const std::vector<std::string> olds = {"/t/", " a/", "  *x", "  y",   "  *m", " *b", " c/",
                                         "  k", " e/", "  f/", "   *g", " h/",  " u/", "  *q"};
  const std::vector<std::string> news = {"/t/", " a/", "  x", "  y", "  z",  " b",   " c/",
                                         "  k", "  m", " e/", " h/", "  f/", "   g", " u!"};
  const std::vector<std::string> expected = {"/t 3", "a 3", "x 2", "y 1", "z 1", "b 2", "c 3",
                                             "k 1",  "m 2", "e 1", "h 2", "f 2", "g 2", "u 4"};
  const MarkedTotals total{4, 4};  // x, b, m, g
  {
    ScriptedHost host;
    MemoryProfile profile;
    CMainFrame oldFrame(host, profile), newFrame(host, profile);
    Build(oldFrame.Tree(), olds);
    Build(newFrame.Tree(), news);
    const MarkedTotals carried = CarryMarks(oldFrame.Tree(), oldFrame.Tree().GetRootItem(),
                                            newFrame.Tree(), newFrame.Tree().GetRootItem());
    EXPECT_EQ(States(newFrame.Tree(), newFrame.Tree().GetRootItem()), expected);
    EXPECT_EQ(carried.files, total.files);
    EXPECT_EQ(carried.bytes, total.bytes);
  }
  // Scanned beside the old branch in one tree, then put in its place.
  ScriptedHost host;
  MemoryProfile profile;
  CMainFrame frame(host, profile);
  CTreeCtrl& tree = frame.Tree();
  std::vector<std::string> lines = {"/p/"};
  lines.insert(lines.end(), olds.begin(), olds.end());
  lines.push_back("/q/");
  lines.insert(lines.end(), news.begin(), news.end());
  Build(tree, lines);
  const HTREEITEM oldTop = tree.GetNextSiblingItem(tree.GetRootItem());
  const HTREEITEM newTop = tree.GetNextSiblingItem(tree.GetNextSiblingItem(oldTop));
  const MarkedTotals carried = CarryMarks(tree, oldTop, tree, newTop);
  EXPECT_EQ(carried.files, total.files);
  ASSERT_TRUE(ReplaceBranch(tree, oldTop, newTop));
  EXPECT_FALSE(ReplaceBranch(tree, newTop, tree.GetChildItem(newTop)));
  std::vector<std::string> tops;
  for (HTREEITEM n = tree.GetRootItem(); n; n = tree.GetNextSiblingItem(n))
    tops.emplace_back(tree.GetItemText(n));
  EXPECT_EQ(tops, (std::vector<std::string>{"/p", "/t", "/q"}));
  EXPECT_EQ(tree.GetNextSiblingItem(tree.GetRootItem()), newTop);
  EXPECT_EQ(States(tree, newTop), expected);
  EXPECT_EQ(tree.GetCount(), 2 + news.size());
}

}  // namespace
