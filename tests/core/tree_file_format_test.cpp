// The bytes of tree files: what the writer produces and what the reader
// makes of the forms a writer may use.
#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "files/archive.h"
#include "files/atomic_file_writer.h"
#include "files/tree_file_limits.h"
#include "tree_file_records.h"

namespace {

using namespace tree_file_test;

// Bytes from a text of hex pairs ("07 43 3a"), ignoring spaces.
Bytes Hex(const std::string& text) {
  Bytes out;
  std::istringstream in(text);
  std::string pair;
  while (in >> pair) out.push_back(static_cast<unsigned char>(std::stoul(pair, nullptr, 16)));
  return out;
}

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::string kFileLabel = "a.txt   5 bytes, 01/02/2003-10:30";

Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

class TreeFileFormatTest : public FrameFixture {
 protected:
  // The example catalogue: C:\Docs holding the folder Sub and the file a.txt.
  HTREEITEM docs = nullptr, sub = nullptr, file = nullptr;
  void BuildDocs() {
    constexpr UINT kMask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_STATE;
    docs = tree.InsertItem(kMask, "C:\\Docs", 0, 0, 0x1000, 0xF000, nullptr, TVI_ROOT, TVI_LAST);
    sub = tree.InsertItem(kMask, "Sub", 1, 2, 0x1000, 0xF000, nullptr, docs, TVI_LAST);
    auto* data = new CTreeItemData;
    data->m_nFileSize = 5;
    data->m_dwAttributes = 0x20;
    data->m_ftCreation = data->m_ftLastAccess = data->m_ftLastWrite =
        U64ToFileTime(0x01C2C9DCDF87C400);  // 1 February 2003 10:30 UTC
    file =
        tree.InsertItem(kMask | TVIF_PARAM, kFileLabel, 5, 5, 0x1000, 0xF000, data, docs, TVI_LAST);
  }

  Bytes Save(HTREEITEM start) {
    const std::string path = folder / "out.ztr";
    frame.SaveTree(path, start);
    return ReadWholeFile(path);
  }

  Bytes Store(const std::function<void(CArchive&)>& write) {
    const std::string path = folder / "records.ztr";
    CAtomicFileWriter writer(path);
    CArchive ar(writer.GetFile(), CArchive::store);
    write(ar);
    ar.Close();
    writer.Commit();
    return ReadWholeFile(path);
  }
};

TEST_F(TreeFileFormatTest, TheDocsExampleByteForByte) {
  BuildDocs();
  const std::string display =
      "6F 00 00 00  00 00 00 00  00 10 00 00  00 F0 00 00  00 00 00 00"
      "  00 00 00 00";
  const Bytes expected =
      Hex("07 43 3A 5C 44 6F 63 73  01 00 00 00") + Hex(display) +
      Hex("00 00 00 00  00 00 00 00  01 00 00 00  00 00 00 00") +  // 52 bytes
      Hex("03 53 75 62  02 00 00 00") + Hex(display) +
      Hex("01 00 00 00  02 00 00 00  00 00 00 00  00 00 00 00") +  // 48 bytes
      Hex("21") + BytesOf(kFileLabel) + Hex("02 00 00 00") + Hex(display) +
      Hex("05 00 00 00  05 00 00 00  00 00 00 00  01 00 00 00") +
      Hex("20 00 00 00  05 00 00 00 00 00 00 00") +
      Hex("00 C4 87 DF DC C9 C2 01  00 C4 87 DF DC C9 C2 01  00 C4 87 DF DC C9 C2 01");
  ASSERT_EQ(expected.size(), 214u);
  EXPECT_EQ(Save(nullptr), expected);
}

// A branch file holds the branch's ancestors alone, counting the top as 0.
TEST_F(TreeFileFormatTest, BranchLevels) {
  BuildDocs();
  HTREEITEM deeper = tree.InsertItem(TVIF_TEXT, "deeper", 0, 0, 0, 0, nullptr, sub, TVI_LAST);
  tree.InsertItem(TVIF_TEXT, "deepest", 0, 0, 0, 0, nullptr, deeper, TVI_LAST);
  struct Case {
    HTREEITEM start;
    std::vector<std::pair<std::string, int>> records;  // name, level
  };
  const Case cases[] = {
      {docs, {{"C:\\Docs", 0}, {"Sub", 1}, {"deeper", 2}, {"deepest", 3}, {kFileLabel, 1}}},
      {sub, {{"C:\\Docs", 0}, {"Sub", 1}, {"deeper", 2}, {"deepest", 3}}},
      {deeper, {{"C:\\Docs", 0}, {"Sub", 1}, {"deeper", 2}, {"deepest", 3}}},
      {file, {{"C:\\Docs", 0}, {kFileLabel, 1}}},
      {nullptr, {{"C:\\Docs", 1}, {"Sub", 2}, {"deeper", 3}, {"deepest", 4}, {kFileLabel, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.records.back().first);
    std::vector<std::pair<std::string, int>> got;
    for (const Record& r : ParseRecords(Save(c.start))) got.emplace_back(r.name, r.level);
    EXPECT_EQ(got, c.records);
  }
}

TEST_F(TreeFileFormatTest, BranchFileLoadsWithItsAncestors) {
  BuildDocs();
  const Bytes branch = Save(sub);
  tree.DeleteAllItems();
  Load(branch);
  const std::vector<Node> expected = {
      {0, "C:\\Docs", 1, 0, 0, true, std::nullopt},
      {1, "Sub", 1, 1, 2, false, std::nullopt},
  };
  EXPECT_EQ(Dump(tree), expected);
}

// The three length forms, at their boundaries, written by the record itself
// (the file commands never write labels this long) and read back.
TEST_F(TreeFileFormatTest, NameLengthForms) {
  struct Case {
    size_t length;
    Bytes prefix;
  };
  const Case cases[] = {
      {0, Hex("00")},
      {254, Hex("FE")},
      {255, Hex("FF FF 00")},
      {65533, Hex("FF FD FF")},
      {65534, Hex("FF FF FF FE FF 00 00")},
      {70000, Hex("FF FF FF 70 11 01 00")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    std::string name(c.length, 'n');
    if (!name.empty()) name.back() = 'z';
    TVITEM item;
    item.mask = 0x6F;
    item.pszText = name;
    const Bytes bytes = Store([&](CArchive& ar) { CTreeItem(item, 1).Serialize(ar); });
    ASSERT_EQ(bytes.size(), c.prefix.size() + c.length + 44);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + c.prefix.size()), c.prefix);
    Load(bytes);
    ASSERT_EQ(tree.GetCount(), 1u);
    EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), name);
  }
}

// Programs that wrote wide strings store the UTF-16 form; it reads as UTF-8.
TEST_F(TreeFileFormatTest, Utf16NamesReadAsUtf8) {
  const Record child = Folder("", 2);
  const Bytes tail = TailBytes(child);
  auto utf16 = [](const std::u16string& text) {
    Bytes out;
    for (char16_t u : text) Put(out, u, 2);
    return out;
  };
  const std::u16string longName(300, u'\u00E9');
  std::string longUtf8;
  for (int i = 0; i < 300; ++i) longUtf8 += "\xC3\xA9";
  const Bytes file = RecordBytes(Folder("top", 1)) + Hex("FF FE FF 05") +
                     utf16(u"Gr\u00FC\u00DFe") + tail + Hex("FF FE FF FF 2C 01") + utf16(longName) +
                     tail + Hex("FF FE FF 02") + utf16(u"\U0001F600") + tail;
  Load(file);
  std::vector<std::string> labels;
  for (const Node& n : Dump(tree)) labels.push_back(n.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"top",
                                              "Gr\xC3\xBC\xC3\x9F"
                                              "e",
                                              longUtf8, "\xF0\x9F\x98\x80"}));
  EXPECT_TRUE(host.messages.empty());
}

// Labels keep at most kMaxSavedLabel bytes (far more than a 255-byte name
// with its size and time, or a full path); a cut never splits a UTF-8
// character, but bytes of another encoding are cut where they stand.
TEST_F(TreeFileFormatTest, LabelsAreCutAtTheLimit) {
  const size_t max = kMaxSavedLabel;
  const std::string a1(max - 1, 'a'), a2(max - 2, 'a'), a3(max - 3, 'a');
  struct Case {
    const char* what;
    std::string label;
    std::string saved;
  };
  const std::string longName = std::string(255, 'n') + "   123 bytes, 01/02/2003-10:30";
  const Case cases[] = {
      {"a 255-byte name with its size and time", longName, longName},
      {"a full path", "/" + std::string(4094, 'p'), "/" + std::string(4094, 'p')},
      {"exactly the limit", std::string(max, 'x'), std::string(max, 'x')},
      {"plain text", std::string(max + 40, 'x'), std::string(max, 'x')},
      {"2-byte character across the cut", a1 + "\xC3\xA9tail", a1},
      {"3-byte character across the cut",
       a2 + "\xE2\x82\xAC"
            "tail",
       a2},
      {"3-byte character ending at the cut",
       a3 + "\xE2\x82\xAC"
            "tail",
       a3 + "\xE2\x82\xAC"},
      {"4-byte character across the cut", a3 + "\xF0\x9F\x98\x80tail", a3},
      {"Windows-1252 bytes",
       a1 + "\xE9\x80x"
            "tail",
       a1 + "\xE9"},
      {"stray continuation bytes", a2 + "\x80\x80\x80tail", a2 + "\x80\x80"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    tree.DeleteAllItems();
    tree.InsertItem(TVIF_TEXT, c.label, 0, 0, 0, 0, nullptr, TVI_ROOT, TVI_LAST);
    const std::vector<Record> records = ParseRecords(Save(nullptr));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].name, c.saved);
  }
}

// A record keeps no handle of the running program: hItem, pszText and
// cchTextMax are 0, lParam only says whether a data part follows.
TEST_F(TreeFileFormatTest, NoHandlesAreWritten) {
  BuildDocs();
  tree.SelectItem(file);
  tree.Expand(docs, TVE_EXPAND);
  for (const Record& r : ParseRecords(Save(nullptr))) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(r.words[kHItem], 0u);
    EXPECT_EQ(r.words[kPszText], 0u);
    EXPECT_EQ(r.words[kCch], 0u);
    EXPECT_EQ(r.words[kParam], r.data ? 1u : 0u);
    EXPECT_EQ(r.words[kStateMask], 0xF000u);
    EXPECT_EQ(r.words[kState] & 0xF000, 0x1000u);
  }
}

}  // namespace
