#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "app/resource.h"
#include "platform/local_time.h"
#include "support/scoped_time_zone.h"
#include "support/scratch_folder.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"
#include "tree/tree_item.h"

namespace {

class ContextMenuTest : public ::testing::Test, protected ScriptedFrame {
 protected:
  // A right-click that the view reports as hitting `node` with `flags`,
  // answered with `choice` from the menu.
  void RightClick(HTREEITEM node, UINT flags, UINT choice, POINT at = {120, 80}) {
    host.nextHit = {{}, flags, node};
    host.menuChoices.push_back(choice);
    frame.OnContextMenu(at);
  }
};

TEST_F(ContextMenuTest, OnlyTheIconOrTheLabelOpensTheMenu) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM file = AddFile(tree, "a", 1, top);
  HTREEITEM other = AddFile(tree, "b", 1, top);
  const struct {
    const char* where;
    UINT flags;
    HTREEITEM hit;
    POINT at;
    bool opens;
  } cases[] = {
      {"mark box", TVHT_ONITEMSTATEICON, file, {120, 80}, false},
      {"expand button", TVHT_ONITEMBUTTON, file, {120, 80}, false},
      {"indentation", TVHT_ONITEMINDENT, file, {120, 80}, false},
      {"right of the label", TVHT_ONITEMRIGHT, file, {120, 80}, false},
      {"below every node", TVHT_NOWHERE, nullptr, {120, 80}, false},
      {"keyboard, even over a node", TVHT_ONITEMLABEL, file, {-1, -1}, false},
      {"icon", TVHT_ONITEMICON, file, {120, 80}, true},
      {"label", TVHT_ONITEMLABEL, file, {120, 80}, true},
      {"only one coordinate -1", TVHT_ONITEMLABEL, file, {-1, 80}, true},
  };
  for (const auto& c : cases) {
    tree.SelectItem(other);
    host.menus.clear();
    host.menuChoices.clear();
    RightClick(c.hit, c.flags, 0, c.at);
    EXPECT_EQ(host.menus.size(), c.opens ? 1u : 0u) << c.where;
    EXPECT_EQ(tree.GetSelectedItem(), c.opens ? file : other) << c.where;
    EXPECT_EQ(host.status[0], c.opens ? "/data/a" : "/data/b") << c.where;
  }
  EXPECT_EQ(tree.GetCount(), 3u) << "a dismissed menu changes nothing";
  EXPECT_FALSE(frame.m_bModified);
  EXPECT_TRUE(host.messages.empty());
}

TEST_F(ContextMenuTest, FileInfoIsGreyedForNodesWithoutARecord) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", top);
  HTREEITEM file = AddFile(tree, "a", 1, sub);
  const struct {
    HTREEITEM node;
    bool grayed;
  } cases[] = {{top, true}, {sub, true}, {file, false}};
  for (const auto& c : cases) {
    host.menus.clear();
    RightClick(c.node, TVHT_ONITEMLABEL, 0);
    ASSERT_EQ(host.menus.size(), 1u);
    const std::vector<PopupMenuItem>& items = host.menus[0];
    ASSERT_EQ(items.size(), 6u);
    const struct {
      UINT id;
      const char* text;
    } expected[] = {
        {ID_PRUNE_BRANCH, "&Prune this branch"},    {0, ""}, {ID_SAVE_BRANCH, "Save &Branch"},
        {ID_UPDATE_FROM_DISK, "&Update from Disk"}, {0, ""}, {ID_FILE_INFO, "File Info"}};
    for (size_t i = 0; i < items.size(); ++i) {
      EXPECT_EQ(items[i].id, expected[i].id) << i;
      EXPECT_EQ(items[i].text, expected[i].text) << i;
      // File Info needs a file's record; Update from Disk a folder.
      EXPECT_EQ(items[i].grayed, (i == 5 && c.grayed) || (i == 3 && !c.grayed)) << i;
    }
  }
}

TEST_F(ContextMenuTest, FileInfoShowsTheRecordsTextAndChangesNothing) {
  ScopedTimeZone utc("UTC0");
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM file = AddFile(tree, "a", 1, top);
  CTreeItemData* data = tree.GetItemData(file);
  data->m_dwAttributes = FILE_ATTRIBUTE_HIDDEN;
  data->m_ftCreation = UnixToFileTime(1044095400, 0);
  RightClick(file, TVHT_ONITEMICON, ID_FILE_INFO);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, data->GetInfoText());
  EXPECT_EQ(host.messages[0].caption, "Extra File Info");
  EXPECT_EQ(host.messages[0].type, MB_OK | MB_ICONINFORMATION);
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_FALSE(frame.m_bModified);
}

// The three times go to their own lines; times out of range leave their line
// ending after its tab, like the labels of the scan.
TEST(FileInfoTextTest, TimesInLocalTimeAndAttributesInTableOrder) {
  constexpr const char* kUtc = "UTC0";
  constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";
  const FILETIME feb2003 = UnixToFileTime(1044095400, 0);  // 2003-02-01 10:30 UTC
  const FILETIME jul2021 = UnixToFileTime(1626350400, 0);  // 2021-07-15 12:00 UTC
  const FILETIME nov2023 = UnixToFileTime(1700000000, 0);  // 2023-11-14 22:13 UTC
  const FILETIME after2038 = UnixToFileTime(int64_t{1} << 32, 0);
  const struct {
    const char* what;
    const char* tz;
    DWORD attributes;
    FILETIME created, written, accessed;
    const char* expected;
  } cases[] = {
      {"read only and archive", kUtc, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, feb2003,
       jul2021, nov2023,
       "Created:    \t01 02 2003 - 10:30\nLast Update: \t15 07 2021 - 12:00\n"
       "Last Access: \t14 11 2023 - 22:13\n\nAttributes: \tarchive, read only"},
      {"none of the named bits", kUtc, 0x8 | 0x40 | 0x10000, feb2003, feb2003, feb2003,
       "Created:    \t01 02 2003 - 10:30\nLast Update: \t01 02 2003 - 10:30\n"
       "Last Access: \t01 02 2003 - 10:30\n\nAttributes: \t"},
      {"encrypted", kUtc, FILE_ATTRIBUTE_ENCRYPTED, feb2003, feb2003, feb2003,
       "Created:    \t01 02 2003 - 10:30\nLast Update: \t01 02 2003 - 10:30\n"
       "Last Access: \t01 02 2003 - 10:30\n\nAttributes: \tencrypted"},
      {"all thirteen", kUtc, 0x7FB7, feb2003, feb2003, feb2003,
       "Created:    \t01 02 2003 - 10:30\nLast Update: \t01 02 2003 - 10:30\n"
       "Last Access: \t01 02 2003 - 10:30\n\nAttributes: \tarchive, compressed, directory, "
       "encrypted, hidden, normal, offline, read only, reparse, sparse, system, temp, "
       "not indexed"},
      {"local summer and winter time", kBerlin, FILE_ATTRIBUTE_NORMAL, jul2021, feb2003, nov2023,
       "Created:    \t15 07 2021 - 14:00\nLast Update: \t01 02 2003 - 11:30\n"
       "Last Access: \t14 11 2023 - 23:13\n\nAttributes: \tnormal"},
      {"before 1900 and after 2038", kUtc, FILE_ATTRIBUTE_ARCHIVE, FILETIME{}, after2038, feb2003,
       "Created:    \t01 01 1970 - 00:00\nLast Update: \t\n"
       "Last Access: \t01 02 2003 - 10:30\n\nAttributes: \tarchive"},
  };
  for (const auto& c : cases) {
    ScopedTimeZone zone(c.tz);
    CTreeItemData data;
    data.m_dwAttributes = c.attributes;
    data.m_ftCreation = c.created;
    data.m_ftLastWrite = c.written;
    data.m_ftLastAccess = c.accessed;
    EXPECT_EQ(data.GetInfoText(), c.expected) << c.what;
  }
}

TEST_F(ContextMenuTest, PruneTakesMarkedFilesOutOfTheTotals) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", top);
  HTREEITEM deeper = AddFolder(tree, "deeper", sub);
  AddFile(tree, "a", 1000, sub);
  AddFile(tree, "b", 2500, deeper);
  AddFile(tree, "c", 40, deeper);
  HTREEITEM kept = AddFile(tree, "kept", 7, top);
  frame.ToggleSelect(top);
  ASSERT_EQ(frame.m_nMarkedFiles, 4);
  frame.m_bModified = false;
  host.waitCursorShown = 0;

  RightClick(sub, TVHT_ONITEMLABEL, ID_PRUNE_BRANCH);
  EXPECT_EQ(frame.m_nMarkedFiles, 1);
  EXPECT_EQ(frame.m_nMarkedBytes, 7);
  EXPECT_EQ(host.status[1], "Selected: 7 bytes (1 files)");
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_EQ(tree.GetChildItem(top), kept);
  EXPECT_EQ(tree.GetStateImage(top), 2);
  EXPECT_TRUE(frame.m_bModified);
  EXPECT_EQ(host.waitCursorShown, 1);
  EXPECT_EQ(host.waitDepth, 0);
  EXPECT_EQ(tree.GetSelectedItem(), kept) << "the control moved the selection";
  EXPECT_EQ(host.status[0], "/data/kept");
}

// After a prune the former parent and each ancestor above it show the marks
// of what is left.
TEST_F(ContextMenuTest, PruneRecomputesTheAncestors) {
  const struct {
    const char* what;
    bool withUnmarkedSibling;  // sub holds an unmarked file beside the marked one
    int subAfter, topAfter;
  } cases[] = {
      {"a partly marked folder becomes unmarked", true, 1, 1},
      {"the only child leaves its folder without a state image", false, 0, 1},
  };
  for (const auto& c : cases) {
    tree.DeleteAllItems();
    HTREEITEM top = AddFolder(tree, "/data");
    HTREEITEM sub = AddFolder(tree, "sub", top);
    HTREEITEM marked = AddFile(tree, "marked", 300, sub);
    if (c.withUnmarkedSibling) AddFile(tree, "unmarked", 5, sub);
    AddFile(tree, "beside", 9, top);
    frame.ToggleSelect(marked);
    ASSERT_EQ(tree.GetStateImage(top), 3) << c.what;

    RightClick(marked, TVHT_ONITEMLABEL, ID_PRUNE_BRANCH);
    EXPECT_EQ(tree.GetStateImage(sub), c.subAfter) << c.what;
    EXPECT_EQ(tree.GetStateImage(top), c.topAfter) << c.what;
    EXPECT_EQ(frame.m_nMarkedFiles, 0) << c.what;
    EXPECT_EQ(frame.m_nMarkedBytes, 0) << c.what;
    EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)") << c.what;
  }
}

TEST_F(ContextMenuTest, PruningATopNodeRemovesTheWholeScannedFolder) {
  HTREEITEM first = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", first);
  AddFile(tree, "a", 10, sub);
  AddFile(tree, "b", 20, first);
  HTREEITEM second = AddFolder(tree, "/home");
  HTREEITEM c = AddFile(tree, "c", 30, second);
  frame.ToggleSelect(first);
  frame.ToggleSelect(c);

  RightClick(first, TVHT_ONITEMICON, ID_PRUNE_BRANCH);
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_EQ(tree.GetRootItem(), second);
  EXPECT_EQ(tree.GetStateImage(second), 2) << "the other top node is left alone";
  EXPECT_EQ(frame.m_nMarkedFiles, 1);
  EXPECT_EQ(frame.m_nMarkedBytes, 30);
}

TEST_F(ContextMenuTest, PruneSetsTheUnsavedFlagEvenWithNothingMarked) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM a = AddFile(tree, "a", 10, top);
  AddFile(tree, "b", 20, top);
  RightClick(a, TVHT_ONITEMLABEL, ID_PRUNE_BRANCH);
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_TRUE(frame.m_bModified);
  EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)");
  // Closing now asks whether to save.
  host.answers.push_back(IDCANCEL);
  EXPECT_FALSE(frame.OnClose());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Save current directory tree?");
}

TEST_F(ContextMenuTest, CancelledBranchSaveChangesNothing) {
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM a = AddFile(tree, "a", 10, top);
  frame.m_bModified = true;
  host.saveNames.push_back("");  // Cancel
  RightClick(a, TVHT_ONITEMLABEL, ID_SAVE_BRANCH);
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_TRUE(frame.m_bModified);
  EXPECT_TRUE(frame.m_strTreeFile.empty());
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(tree.GetSelectedItem(), a);
}

// Every node of a tree in pre-order as "depth:label", with "+size" for a
// node that carries a record.
std::vector<std::string> Outline(const CTreeCtrl& tree) {
  std::vector<std::string> lines;
  std::function<void(HTREEITEM, int)> visit = [&](HTREEITEM node, int depth) {
    for (; node; node = tree.GetNextSiblingItem(node)) {
      std::string line = std::to_string(depth) + ":" + std::string(tree.GetItemText(node));
      if (const CTreeItemData* data = tree.GetItemData(node))
        line += "+" + std::to_string(data->m_nFileSize);
      lines.push_back(line);
      visit(tree.GetChildItem(node), depth + 1);
    }
  };
  visit(tree.GetRootItem(), 0);
  return lines;
}

TEST_F(ContextMenuTest, SaveBranchWritesTheAncestorsAndTheBranchOnly) {
  ScratchFolder folder;
  HTREEITEM top = AddFolder(tree, "/data");
  HTREEITEM sub = AddFolder(tree, "sub", top);
  AddFile(tree, "before", 1, sub);
  HTREEITEM file = AddFile(tree, "a.txt", 2048, sub);
  AddFile(tree, "after", 3, sub);
  AddFile(tree, "beside", 4, top);
  HTREEITEM sub2 = AddFolder(tree, "sub2", sub);
  AddFile(tree, "deep", 5, sub2);
  const std::string current = "/somewhere/whole.ztr";
  frame.UpdateCaption(&current);
  const std::string caption = host.caption;
  frame.m_bModified = true;
  const std::vector<std::string> whole = Outline(tree);

  const struct {
    const char* what;
    HTREEITEM node;
    std::vector<std::string> expected;
  } cases[] = {
      {"a file", file, {"0:/data", "1:sub", "2:a.txt+2048"}},
      {"a folder", sub2, {"0:/data", "1:sub", "2:sub2", "3:deep+5"}},
      {"a top node", top, whole},
  };
  for (const auto& c : cases) {
    const std::string path = folder / "branch.ztr";
    host.saveNames.push_back(path);
    RightClick(c.node, TVHT_ONITEMLABEL, ID_SAVE_BRANCH);
    EXPECT_TRUE(host.messages.empty()) << c.what;

    ScriptedHost readerHost;
    CMainFrame reader(readerHost, profile);
    reader.LoadTree(path);
    EXPECT_EQ(Outline(reader.Tree()), c.expected) << c.what;

    EXPECT_EQ(Outline(tree), whole) << c.what << ": the tree is unchanged";
    EXPECT_EQ(frame.m_strTreeFile, current) << c.what;
    EXPECT_EQ(host.caption, caption) << c.what;
    EXPECT_TRUE(frame.m_bModified) << c.what << ": the rest of the tree is still unsaved";
  }
  // With nothing unsaved, a branch save leaves nothing unsaved.
  frame.m_bModified = false;
  host.saveNames.push_back(folder / "again.ztr");
  RightClick(file, TVHT_ONITEMLABEL, ID_SAVE_BRANCH);
  EXPECT_FALSE(frame.m_bModified);
}

}  // namespace
