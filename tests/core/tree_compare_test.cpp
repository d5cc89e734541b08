// Matching and report order of the catalogue comparison, on trees built in
// memory where the disk cannot give a fixed order.
#include "compare/tree_compare.h"

#include <gtest/gtest.h>

#include "app/main_frame.h"
#include "support/scripted_host.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

// One node per line, one leading space per level: "name/" a folder, "name!"
// a folder the scan could not enter, anything else a file of 1 byte.
void Build(CTreeCtrl& tree, const std::vector<std::string>& lines) {
  std::vector<HTREEITEM> last;
  std::string label;
  for (const std::string& line : lines) {
    const size_t depth = line.find_first_not_of(' ');
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
    last[depth] = tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_PARAM, label, 1, 2,
                                  INDEXTOSTATEIMAGEMASK(kind == '!' ? 4 : 1), TVIS_STATEIMAGEMASK,
                                  data, depth ? last[depth - 1] : TVI_ROOT, TVI_LAST);
  }
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
  for (const Case& c : cases) {
    ScriptedHost host;
    MemoryProfile profile;
    CMainFrame oldFrame(host, profile), newFrame(host, profile);
    Build(oldFrame.Tree(), c.olds);
    Build(newFrame.Tree(), c.news);
    std::vector<std::string> reported;
    CompareTrees(oldFrame.Tree(), newFrame.Tree(), [&](const TreeDifference& d) {
      reported.push_back(std::string(1, "+-~!"[static_cast<int>(d.change)]) + " " +
                         std::string(d.path));
    });
    EXPECT_EQ(reported, c.expected) << c.expected.front();
  }
}

}  // namespace
