#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "search/name_match.h"
#include "support/scripted_host.h"

namespace {

// Whether Find stops at the node: its label against the text, with the
// frame's options.
bool MatchItem(const CMainFrame& frame, HTREEITEM node, const std::string& text) {
  return NameMatcher(text, frame.m_bExactMatch, frame.m_bIgnoreCase)
      .Matches(frame.Tree().GetItemText(node));
}

// A tree written as (depth, label) lines in pre-order. hasChildrenFlag: the
// node claims children it does not have (a pruned node read from a file).
struct Line {
  int depth;
  const char* label;
  bool hasChildrenFlag = false;
};
using Outline = std::vector<Line>;

const char kRestart[] = "Restart search from top?";

class FindTest : public ::testing::Test, protected ScriptedFrame {
 protected:
  std::map<std::string, HTREEITEM> nodes;
  std::vector<HTREEITEM> preOrder;

  // Every node starts collapsed.
  void Build(const Outline& outline) {
    std::vector<HTREEITEM> parents;
    for (const Line& line : outline) {
      parents.resize(line.depth);
      HTREEITEM parent = parents.empty() ? TVI_ROOT : parents.back();
      UINT mask = TVIF_TEXT | (line.hasChildrenFlag ? TVIF_CHILDREN : 0);
      HTREEITEM node = tree.InsertItem(mask, line.label, 0, 0, 0, 0, nullptr, parent, TVI_LAST,
                                       line.hasChildrenFlag ? 1 : 0);
      ASSERT_NE(node, nullptr) << line.label;
      nodes[line.label] = node;
      preOrder.push_back(node);
      parents.push_back(node);
    }
  }
  HTREEITEM Node(const std::string& label) {
    if (label.empty()) return nullptr;
    auto it = nodes.find(label);
    EXPECT_NE(it, nodes.end()) << label;
    return it == nodes.end() ? nullptr : it->second;
  }
  std::string Label(HTREEITEM node) {
    return node ? std::string(tree.GetItemText(node)) : "(none)";
  }

  // The messages shown so far, one letter each: R for the restart question,
  // N for the not-found report; anything else fails.
  std::string MessageLetters(const std::string& searchText) {
    std::string letters;
    for (const ShownMessage& m : host.messages) {
      if (m.text == kRestart && m.caption == "Find" && m.type == (MB_YESNO | MB_ICONQUESTION))
        letters += 'R';
      else if (m.text == "Item \"" + searchText + "\" not found ..." && m.caption == "Find Next" &&
               m.type == (MB_OK | MB_ICONINFORMATION))
        letters += 'N';
      else
        ADD_FAILURE() << "unexpected message \"" << m.text << "\" / \"" << m.caption << "\"";
    }
    return letters;
  }
};

const Outline kCatalogue = {
    {0, "/data"},        {1, "alpha"}, {2, "x1.txt   1 bytes, 01/02/2003-04:05"},
    {1, "beta"},         {2, "gamma"}, {3, "x2"},
    {1, "pruned", true}, {1, "delta"}, {0, "/more"},
    {1, "x3"},           {1, "last"},
};
const Outline kOneNode = {{0, "solo"}};
const Outline kEmpty = {};

struct SearchCase {
  const char* name;
  const Outline* outline;
  const char* selected;  // "" : nothing selected
  const char* text;
  std::deque<int> answers;
  const char* found;     // "" : nothing found
  const char* messages;  // see MessageLetters
};

TEST_F(FindTest, FindNextWalksInPreOrderAndAsksOnceToRestart) {
  const SearchCase cases[] = {
      // With nothing selected the first top-level node is the start: the
      // node after it is examined first ("/data" matches too) ...
      {"first node examined", &kCatalogue, "", "a", {}, "alpha", ""},
      // ... and it is examined last, after the question.
      {"first top node last, yes", &kCatalogue, "", "data", {IDYES}, "/data", "R"},
      {"first top node last, no", &kCatalogue, "", "data", {IDNO}, "", "RN"},
      {"next in its branch",
       &kCatalogue,
       "alpha",
       "x",
       {},
       "x1.txt   1 bytes, 01/02/2003-04:05",
       ""},
      {"into collapsed branches",
       &kCatalogue,
       "x1.txt   1 bytes, 01/02/2003-04:05",
       "x",
       {},
       "x2",
       ""},
      {"up two levels, then on", &kCatalogue, "x2", "x", {}, "x3", ""},
      // The has-children flag alone leads nowhere: the walk goes on as after
      // a leaf, and does not take it for the end of the tree.
      {"flag without children", &kCatalogue, "pruned", "delta", {}, "delta", ""},
      {"only match is the start, yes", &kCatalogue, "beta", "beta", {IDYES}, "beta", "R"},
      {"only match is the start, no", &kCatalogue, "beta", "beta", {IDNO}, "", "RN"},
      // Every other node matches "a": had any been examined before the
      // question, it would have been found without one.
      {"last node, no", &kCatalogue, "last", "a", {IDNO}, "", "RN"},
      {"last node, yes", &kCatalogue, "last", "a", {IDYES}, "/data", "R"},
      {"one question per search", &kCatalogue, "gamma", "zzz", {IDYES, IDYES}, "", "RN"},
      {"one node, yes", &kOneNode, "", "solo", {IDYES}, "solo", "R"},
      {"one node, no", &kOneNode, "", "solo", {IDNO}, "", "RN"},
      {"one node selected", &kOneNode, "solo", "solo", {IDYES}, "solo", "R"},
      {"empty tree", &kEmpty, "", "x", {IDYES}, "", "N"},
      // The name of a file label is compared, not its size and time.
      {"not in the size", &kCatalogue, "", "bytes", {IDYES}, "", "RN"},
  };
  for (const SearchCase& c : cases) {
    SCOPED_TRACE(c.name);
    host = ScriptedHost();
    tree.DeleteAllItems();
    nodes.clear();
    preOrder.clear();
    Build(*c.outline);
    HTREEITEM selected = Node(c.selected);
    tree.SelectItem(selected);
    host.answers = c.answers;
    frame.m_strFindWhat = c.text;

    frame.OnFindNext();

    HTREEITEM found = Node(c.found);
    EXPECT_EQ(Label(tree.GetSelectedItem()), Label(found ? found : selected));
    EXPECT_EQ(MessageLetters(c.text), c.messages);
    EXPECT_EQ(host.treeFocused, 1);
    EXPECT_EQ(host.waitDepth, 0);
    EXPECT_GT(host.waitCursorShown, 0);
    for (HTREEITEM p = tree.GetParentItem(found); p; p = tree.GetParentItem(p)) {
      EXPECT_EQ(tree.GetItemState(p, TVIS_EXPANDED), TVIS_EXPANDED) << Label(p);
    }
    if (!found) {
      for (HTREEITEM n : preOrder) EXPECT_EQ(tree.GetItemState(n, TVIS_EXPANDED), 0u) << Label(n);
    }
  }
}

// Repeated F3 visits every match in pre-order after the start, then the start,
// then round again; the nodes it stops at are those MatchItem accepts.
TEST_F(FindTest, SuccessiveFindNextVisitsEveryMatchAsMatchItemSays) {
  Build({
      {0, "/home/Read"},
      {1, "readme.txt   1234 bytes, 15/03/2003-10:22"},
      {1, "README.TXT   5 bytes, 01/01/2001-00:00"},
      {1, "docs"},
      {2, "bread.doc   1 bytes, 02/02/2002-02:02"},
      {2, "readme.txt.bak   7 bytes, 03/03/2003-03:03"},
      {2, "\xC3\x84rger.txt   9 bytes, 04/04/2004-04:04"},  // "Ärger.txt"
      {1, "Makefile   3 bytes, 05/05/2005-05:05"},
      {0, "/other"},
      {1, "a.txt   123 bytes, "},  // no time text: the whole label is the name
  });
  const struct {
    const char* text;  // as stored: lower-cased when ignoring case
    bool exact, ignore;
  } searches[] = {
      {"read", false, true},       {"read", false, false},        {"readme.txt", true, true},
      {"readme.txt", false, true}, {"*.txt", false, true},        {"*.TXT", false, false},
      {"*", false, false},         {"\xC3\xA4rger", false, true}, {"a.txt", false, false},
      {"nothing", false, true},
  };
  for (const auto& s : searches) {
    SCOPED_TRACE(s.text);
    frame.m_bExactMatch = s.exact;
    frame.m_bIgnoreCase = s.ignore;
    frame.m_strFindWhat = s.text;
    tree.SelectItem(nullptr);
    // Nothing selected: the start is the first node, examined last.
    std::vector<HTREEITEM> expected;
    for (size_t i = 1; i <= preOrder.size(); ++i) {
      HTREEITEM n = preOrder[i % preOrder.size()];
      if (MatchItem(frame, n, s.text)) expected.push_back(n);
    }
    host = ScriptedHost();
    host.answers.assign(100, IDYES);
    const size_t rounds = expected.empty() ? 1 : 2 * expected.size();
    for (size_t i = 0; i < rounds; ++i) {
      frame.OnFindNext();
      if (expected.empty()) {
        EXPECT_EQ(tree.GetSelectedItem(), nullptr);
      } else {
        EXPECT_EQ(Label(tree.GetSelectedItem()), Label(expected[i % expected.size()])) << i;
      }
    }
    if (expected.empty()) {
      EXPECT_EQ(MessageLetters(s.text), "RN");
    }
    EXPECT_EQ(host.waitDepth, 0);
    EXPECT_EQ(host.findDialogRuns, 0) << "a stored text needs no dialog";
  }
}

TEST_F(FindTest, MatchItemReadsTheLabelAndTheFrameOptions) {
  Build({{0, "readme.txt   1234 bytes, 15/03/2003-10:22"}, {0, "README.txt.bak"}});
  HTREEITEM file = Node("readme.txt   1234 bytes, 15/03/2003-10:22");
  HTREEITEM bak = Node("README.txt.bak");
  const struct {
    bool exact, ignore;
    bool fileMatches, bakMatches;
  } cases[] = {
      {false, true, true, true},
      {true, true, true, false},
      {false, false, true, false},
      {true, false, true, false},
  };
  for (const auto& c : cases) {
    frame.m_bExactMatch = c.exact;
    frame.m_bIgnoreCase = c.ignore;
    EXPECT_EQ(MatchItem(frame, file, "readme.txt"), c.fileMatches) << c.exact << c.ignore;
    EXPECT_EQ(MatchItem(frame, bak, "readme.txt"), c.bakMatches) << c.exact << c.ignore;
  }
}

TEST_F(FindTest, ConfirmedDialogStoresTheTextAndOptionsAndSearches) {
  Build(kCatalogue);
  const struct {
    const char* typed;
    int exact, ignore;  // as the dialog returns them
    const char* stored;
    bool storedExact, storedIgnore;
  } cases[] = {
      {"README", 0, 1, "readme", false, true},
      {"README", 0, 0, "README", false, false},
      {"\xC3\x84RGER", 5, -1, "\xC3\xA4rger", true, true},  // "ÄRGER": any non-zero is set
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    host = ScriptedHost();
    frame.m_strFindWhat = "old";
    frame.m_bExactMatch = true;
    frame.m_bIgnoreCase = false;
    std::vector<FindDialogData> shown;
    host.findDialog = [&](FindDialogData& data) {
      shown.push_back(data);
      data.m_strFindWhat = c.typed;
      data.m_bExactMatch = c.exact;
      data.m_bIgnoreCase = c.ignore;
      return IDOK;
    };
    host.answers = {IDNO};
    frame.OnEditFind();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].m_strFindWhat, "old");
    EXPECT_EQ(shown[0].m_bExactMatch, 1);
    EXPECT_EQ(shown[0].m_bIgnoreCase, 0);
    EXPECT_EQ(frame.m_strFindWhat, c.stored);
    EXPECT_EQ(frame.m_bExactMatch, c.storedExact);
    EXPECT_EQ(frame.m_bIgnoreCase, c.storedIgnore);
    // The search ran with the stored text: the report quotes it.
    EXPECT_EQ(MessageLetters(c.stored), "RN");
    EXPECT_EQ(host.treeFocused, 1);

    // The next dialog shows what was stored.
    host.findDialog = [&](FindDialogData& data) {
      shown.push_back(data);
      return IDCANCEL;
    };
    frame.OnEditFind();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[1].m_strFindWhat, c.stored);
    EXPECT_EQ(shown[1].m_bExactMatch, c.storedExact ? 1 : 0);
    EXPECT_EQ(shown[1].m_bIgnoreCase, c.storedIgnore ? 1 : 0);
  }
}

TEST_F(FindTest, ConfirmedDialogSelectsTheMatch) {
  Build(kCatalogue);
  host.findDialog = [](FindDialogData& data) {
    data.m_strFindWhat = "X2";
    data.m_bIgnoreCase = 1;
    return IDOK;
  };
  frame.OnEditFind();
  EXPECT_EQ(tree.GetSelectedItem(), Node("x2"));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.treeFocused, 1);
}

TEST_F(FindTest, CancelStoresNothingWhateverTheDialogHolds) {
  Build(kCatalogue);
  tree.SelectItem(Node("beta"));
  frame.m_strFindWhat = "keep";
  frame.m_bExactMatch = false;
  frame.m_bIgnoreCase = true;
  host.findDialog = [](FindDialogData& data) {
    data.m_strFindWhat = "changed";
    data.m_bExactMatch = 1;
    data.m_bIgnoreCase = 0;
    return IDCANCEL;
  };
  frame.OnEditFind();
  EXPECT_EQ(frame.m_strFindWhat, "keep");
  EXPECT_FALSE(frame.m_bExactMatch);
  EXPECT_TRUE(frame.m_bIgnoreCase);
  EXPECT_EQ(tree.GetSelectedItem(), Node("beta"));
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(host.waitCursorShown, 0) << "no search";
  EXPECT_EQ(host.treeFocused, 1);
}

// An empty text cannot be searched for: the dialog comes back, with the
// options just confirmed, until a text is given or it is cancelled.
TEST_F(FindTest, EmptyTextBringsTheDialogBack) {
  Build(kCatalogue);
  struct Step {
    const char* typed;
    int result;
  };
  const struct {
    const char* name;
    std::vector<Step> steps;
    const char* selected;
  } cases[] = {
      {"until cancelled", {{"", IDOK}, {"", IDOK}, {"ignored", IDCANCEL}}, ""},
      {"until a text is given", {{"", IDOK}, {"x", IDOK}}, "x1.txt   1 bytes, 01/02/2003-04:05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    host = ScriptedHost();
    tree.SelectItem(nullptr);
    frame.m_strFindWhat.clear();
    frame.m_bExactMatch = false;
    frame.m_bIgnoreCase = false;
    size_t run = 0;
    host.findDialog = [&](FindDialogData& data) {
      if (run > 0) {
        // The options of the empty confirmation were stored.
        EXPECT_EQ(data.m_strFindWhat, "");
        EXPECT_EQ(data.m_bIgnoreCase, 1);
      }
      const Step& step = c.steps.at(run++);
      data.m_strFindWhat = step.typed;
      data.m_bIgnoreCase = 1;
      return step.result;
    };
    frame.OnFindNext();  // no text yet: the dialog opens instead
    EXPECT_EQ(run, c.steps.size());
    EXPECT_TRUE(frame.m_bIgnoreCase);
    EXPECT_EQ(Label(tree.GetSelectedItem()), Label(Node(c.selected)));
    EXPECT_TRUE(host.messages.empty());
    EXPECT_EQ(host.treeFocused, 1);
    EXPECT_EQ(host.waitDepth, 0);
  }
}

}  // namespace
