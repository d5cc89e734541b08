// Reading tree files: truncation, nest levels, parents, and files that say
// odd things about themselves.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>

#include "files/archive.h"
#include "files/file.h"
#include "files/tree_reader.h"
#include "files/tree_record_stream.h"
#include "support/resource_limits.h"
#include "tree_file_records.h"

namespace {

const std::string kCutShortText = " ends inside a record, so the directory tree may be incomplete.";

using namespace tree_file_test;

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

class TreeFileReaderTest : public FrameFixture {
 protected:
  std::vector<std::pair<std::string, int>> Shape() const {
    std::vector<std::pair<std::string, int>> shape;
    for (const Node& n : Dump(tree)) shape.emplace_back(n.label, n.depth);
    return shape;
  }
  void ExpectNestLimitMessage() const {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, "Maximum directory nest level exceeded!");
    EXPECT_EQ(host.messages[0].caption, "File Open");
    EXPECT_EQ(host.messages[0].type, MB_OK | MB_ICONEXCLAMATION);
  }
};

TEST_F(TreeFileReaderTest, EmptyFileIsAnEmptyTree) {
  Load({});
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(frame.m_strTreeFile, folder / "in.ztr");
  EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)");
}

// A marked folder, a marked file with a data part, and an unmarked folder
// (182 bytes), cut at every length. An end inside a record is reported once
// and leaves the tree untitled; the nodes read stay.
TEST_F(TreeFileReaderTest, EveryTruncationPoint) {
  const Record top = Folder("top", 1, 2, 1);
  Record file = File("f.txt", 2, 0x0102030405060708, 2);
  const Record sub = Folder("sub", 2, 1);
  const Bytes whole = FileBytes({top, file, sub});
  ASSERT_EQ(whole.size(), 182u);
  const DataPart full = *file.data;
  const DataPart zero{};
  auto partial = [](DataPart d) {
    d.size &= 0xFFFFFFFFFFFF;  // 6 of its 8 bytes
    d.creation = d.lastAccess = d.lastWrite = 0;
    return d;
  };
  DataPart lastByteMissing = full;
  lastByteMissing.lastWrite &= 0x00FFFFFFFFFFFFFF;

  const Node topNode{0, "top", 2, 1, 2, true, std::nullopt};
  const Node fileNode{1, "f.txt", 2, 5, 5, false, full};
  struct Case {
    size_t cut;
    std::vector<Node> nodes;
  };
  const Case cases[] = {
      {0, {}},
      {4, {}},  // inside the name
      {7, {}},  // inside the level
      // The display part missing entirely: nothing applies, not even the label.
      {8, {{0, "", 0, 0, 0, false, std::nullopt}}},
      {12, {{0, "top", 0, 0, 0, false, std::nullopt}}},  // only the mask
      {20, {{0, "top", 0, 0, 0, false, std::nullopt}}},  // state without its mask
      {24, {{0, "top", 2, 0, 0, false, std::nullopt}}},
      {47, {topNode}},
      {48, {topNode}},
      // The file's display part takes what is missing from the folder's.
      {58, {topNode, {1, "f.txt", 2, 1, 2, true, std::nullopt}}},
      {82, {topNode, {1, "f.txt", 2, 1, 2, true, std::nullopt}}},
      {94, {topNode, {1, "f.txt", 2, 5, 5, false, std::nullopt}}},
      {95, {topNode, {1, "f.txt", 2, 5, 5, false, zero}}},  // 3 of 4 lParam bytes
      {98, {topNode, {1, "f.txt", 2, 5, 5, false, zero}}},
      {101, {topNode, {1, "f.txt", 2, 5, 5, false, zero}}},  // 3 attribute bytes
      {102, {topNode, {1, "f.txt", 2, 5, 5, false, DataPart{0x20, 0, 0, 0, 0}}}},
      {108, {topNode, {1, "f.txt", 2, 5, 5, false, partial(full)}}},
      {133, {topNode, {1, "f.txt", 2, 5, 5, false, lastByteMissing}}},
      {134, {topNode, fileNode}},
      // The folder after the file inherits its data reference: a zero record.
      {142, {topNode, fileNode, {1, "sub", 2, 5, 5, false, zero}}},
      {178, {topNode, fileNode, {1, "sub", 1, 1, 2, false, zero}}},
      {182, {topNode, fileNode, {1, "sub", 1, 1, 2, false, std::nullopt}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cut);
    Load(Bytes(whole.begin(), whole.begin() + static_cast<long>(c.cut)));
    EXPECT_EQ(Dump(tree), c.nodes);
  }

  size_t previousCount = 0;
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    host.messages.clear();
    Load(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
    const bool between = cut == 0 || cut == 48 || cut == 134 || cut == 182;
    EXPECT_EQ(host.messages.size(), between ? 0u : 1u);
    EXPECT_EQ(frame.m_strTreeFile, between ? folder / "in.ztr" : "");
    EXPECT_GE(tree.GetCount(), previousCount);
    previousCount = tree.GetCount();
    ExpectTotalsFollowTheMarks();
  }
  EXPECT_EQ(previousCount, 3u);
}

// The streamed reader of ztr-tool decodes records on its own path: cut at
// every length, a file in tree order must give the nodes the window shows
// (apart from the has-children flag, which the stream cannot know yet).
TEST_F(TreeFileReaderTest, StreamReadsWhatTheWindowReads) {
  Record hidden = File("no text", 3, 9, 2);
  hidden.words[0] &= ~TVIF_TEXT;
  const Bytes whole = FileBytes({Folder("top", 1, 2, 1), File("f", 2, 7, 2), Folder("sub", 2, 1),
                                 hidden, Folder("d", 3), File("g", 1, 5, 1)});
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const Bytes bytes(whole.begin(), whole.begin() + static_cast<long>(cut));
    Load(bytes);
    std::vector<Node> expected = Dump(tree), streamed;
    CFile file;
    file.OpenRead(folder / "in.ztr");
    CArchive ar(file, CArchive::load);
    for (CTreeRecordStream records(ar); records.Next();) {
      const StreamedNode& n = records.Node();
      std::optional<DataPart> data;
      if (n.hasData)
        data =
            DataPart{n.data.m_dwAttributes, n.data.m_nFileSize, FileTimeToU64(n.data.m_ftCreation),
                     FileTimeToU64(n.data.m_ftLastAccess), FileTimeToU64(n.data.m_ftLastWrite)};
      streamed.push_back({n.depth, n.label, n.stateImage, n.image, n.selectedImage, false, data});
    }
    for (Node& n : expected) n.children = false;
    EXPECT_EQ(streamed, expected);
  }
}

TEST_F(TreeFileReaderTest, NestLevelLimit) {
  std::vector<Record> chain;
  for (int level = 0; level < 200; ++level) chain.push_back(Folder("d", level));
  struct Case {
    const char* what;
    std::vector<Record> records;
    size_t nodes;
    bool message;
  };
  const Case cases[] = {
      {"199 is accepted", {Folder("a", 199)}, 1, false},
      {"200 is refused", {Folder("a", 200)}, 0, true},
      {"reading stops at the refused record",
       {Folder("a", 1), Folder("b", 200), Folder("c", 1)},
       1,
       true},
      {"largest level", {Folder("a", 1), File("b", INT_MAX, 7)}, 1, true},
      {"200 deep",
       [&] {
         auto records = chain;
         records.push_back(Folder("too deep", 200));
         return records;
       }(),
       200, true},
      {"a negative level ends the file",
       {Folder("a", 1), File("b", -5, 7), Folder("c", 1)},
       1,
       false},
      {"lowest level", {Folder("a", INT_MIN)}, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.messages.clear();
    Load(FileBytes(c.records));
    EXPECT_EQ(tree.GetCount(), c.nodes);
    if (c.message)
      ExpectNestLimitMessage();
    else
      EXPECT_TRUE(host.messages.empty());
    ExpectTotalsFollowTheMarks();
  }
  Load(FileBytes(chain));
  const std::vector<Node> nodes = Dump(tree);
  ASSERT_EQ(nodes.size(), 200u);
  EXPECT_EQ(nodes.back().depth, 199);
}

TEST_F(TreeFileReaderTest, ParentsComeFromTheLastNodeOneLevelUp) {
  using Layout = std::vector<std::pair<std::string, int>>;
  struct Case {
    const char* what;
    std::vector<Record> records;
    Layout shape;
  };
  const Case cases[] = {
      {"stale deeper entries",
       {Folder("A", 1), Folder("B", 2), Folder("C", 3), Folder("D", 1), Folder("E", 3),
        Folder("F", 2)},
       {{"A", 0}, {"B", 1}, {"C", 2}, {"E", 2}, {"D", 0}, {"F", 1}}},
      {"whole tree starting at level 5",
       {Folder("X", 5), Folder("Y", 6), Folder("Z", 5)},
       {{"X", 0}, {"Y", 1}, {"Z", 0}}},
      {"branch file with level 0",
       {Folder("P", 0), Folder("Q", 1), Folder("R", 0), Folder("S", 1)},
       {{"P", 0}, {"Q", 1}, {"R", 0}, {"S", 1}}},
      {"a level with nothing above", {Folder("T", 2), Folder("U", 3)}, {{"T", 0}, {"U", 1}}},
      {"siblings keep the file's order",
       {Folder("top", 1), Folder("3", 2), Folder("1", 2), Folder("2", 2)},
       {{"top", 0}, {"3", 1}, {"1", 1}, {"2", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Load(FileBytes(c.records));
    EXPECT_EQ(Shape(), c.shape);
  }
}

// The mask, state and state mask come from the file. Whatever they say, a
// data record ends up owned by its node, and the totals count exactly the
// file nodes that show the tick, so clearing brings them back to zero.
TEST_F(TreeFileReaderTest, MaskAndStateFromTheFile) {
  struct Case {
    const char* what;
    uint32_t mask, state, stateMask;
    bool data;
    int stateImage;
    bool counted;
  };
  const Case cases[] = {
      {"marked file", 0x6F, 0x2000, 0xF000, true, 2, true},
      {"mask without the data", 0x6B, 0x2000, 0xF000, true, 2, true},
      {"mask without the state", 0x67, 0x2000, 0xF000, true, 0, false},
      {"state without its mask", 0x6F, 0x2000, 0, true, 0, false},
      {"partly marked file", 0x6F, 0x3000, 0xF000, true, 3, false},
      {"unreadable file", 0x6F, 0x4000, 0xF000, true, 4, false},
      {"marked folder", 0x6F, 0x2000, 0xF000, false, 2, false},
      {"every state bit", 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, true, 15, false},
      {"mask of nothing", 0, 0x2000, 0xF000, true, 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Record odd = c.data ? File("odd", 1, 1000) : Folder("odd", 1);
    odd.words[kMask] = c.mask;
    odd.words[kState] = c.state;
    odd.words[kStateMask] = c.stateMask;
    Load(FileBytes({Folder("first", 1), odd, File("after", 2, 1, 2)}));
    ASSERT_EQ(tree.GetCount(), 3u);
    HTREEITEM node = tree.GetNextSiblingItem(tree.GetRootItem());
    EXPECT_EQ(tree.GetItemData(node) != nullptr, c.data);
    EXPECT_EQ(tree.GetStateImage(node), c.stateImage);
    // Display flags of the writer (expanded, selected) are not taken.
    EXPECT_EQ(tree.GetItemState(node, ~TVIS_STATEIMAGEMASK), 0u);
    EXPECT_EQ(tree.GetSelectedItem(), nullptr);
    EXPECT_EQ(frame.m_nMarkedFiles, c.counted ? 2 : 1);
    EXPECT_EQ(frame.m_nMarkedBytes, c.counted ? 1001 : 1);
    ExpectTotalsFollowTheMarks();
    tree.DeleteAllItems();
    EXPECT_EQ(frame.m_nMarkedFiles, 0);
    EXPECT_EQ(frame.m_nMarkedBytes, 0);
  }
}

TEST_F(TreeFileReaderTest, HostileLengthIsAFileCutShort) {
  const Bytes hostile[] = {
      {0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'},
      {0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'},
      {0xFF, 0x00, 0x01, 'a', 'b', 'c'},
  };
  for (const Bytes& length : hostile) {
    host.messages.clear();
    Load(FileBytes({Folder("kept", 1)}) + length + FileBytes({Folder("never", 1)}));
    EXPECT_EQ(Shape(), (std::vector<std::pair<std::string, int>>{{"kept", 0}}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, folder / "in.ztr" + kCutShortText);
    EXPECT_EQ(frame.m_strTreeFile, "");
  }
}

// In a child whose address space cannot hold what the lengths claim: an
// allocation of that size would end the load with "Out of memory.".
TEST_F(TreeFileReaderTest, HostileLengthAllocatesNothingLarge) {
  if (kSanitized) GTEST_SKIP() << kSanitizedSkip;
  const Bytes file = FileBytes({Folder("kept", 1)}) +
                     Bytes{0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'a', 'b', 'c'};
  const int status = RunWithLittleMemory(256u << 20, [&] {
    Load(file);
    if (host.messages.size() != 1 || host.messages[0].text.ends_with("Out of memory.")) return 12;
    return tree.GetCount() == 1 ? 0 : 13;
  });
  EXPECT_EQ(status, 0);
}

// The reader on its own, as ztr-tool and the fuzzer use it.
TEST_F(TreeFileReaderTest, ReaderUnderAGivenNode) {
  const std::string path = folder / "branch.ztr";
  WriteWholeFile(path, FileBytes({Folder("a", 0), Folder("b", 1), Folder("c", 200)}));
  HTREEITEM holder = tree.InsertItem(TVIF_TEXT, "holder", 0, 0, 0, 0, nullptr, TVI_ROOT, TVI_LAST);
  CFile file;
  file.OpenRead(path);
  CArchive ar(file, CArchive::load);
  std::vector<HTREEITEM> seen;
  const TreeReadEnd end = ReadTree(ar, tree, holder, [&](HTREEITEM node) { seen.push_back(node); });
  EXPECT_EQ(end, TreeReadEnd::nestLimit);
  EXPECT_EQ(Shape(), (std::vector<std::pair<std::string, int>>{{"holder", 0}, {"a", 1}, {"b", 2}}));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(tree.GetItemText(seen[1]), "b");
  EXPECT_TRUE(host.messages.empty());  // telling the user is the caller's part
}

}  // namespace
