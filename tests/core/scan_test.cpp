// File New over real folders: labels, images, order, the folders left out or
// refused, and the questions before a scan.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "core/scan_fixture.h"
#include "platform/local_time.h"
#include "tree/scan_nodes.h"
#include "tree/scan_walker.h"

namespace scan_test {
namespace {

constexpr time_t k2003 = 1046696700;        // 3 March 2003 13:05 UTC, 14:05 in Central Europe
constexpr time_t kSummer2003 = 1057055400;  // 1 July 2003 10:30 UTC
constexpr time_t k2040 = 2222121600;        // 1 June 2040: beyond 32-bit seconds
constexpr off_t kBig = (off_t{5} << 30) + 3;
constexpr char kLoop[] = "Too many levels of symbolic links";

TEST(FileLabelTest, NameSizeAndLocalTime) {
  ScopedTimeZone zone(kCentralEurope);
  const struct {
    const char* name;
    int64_t size;
    FILETIME lastWrite;
    const char* label;
  } cases[] = {
      {"a.txt", 5, UnixToFileTime(k2003, 0), "a.txt   5 bytes, 03/03/2003-14:05"},
      {"summer", 0, UnixToFileTime(kSummer2003, 0), "summer   0 bytes, 01/07/2003-12:30"},
      {"big", kBig, UnixToFileTime(k2003, 0), "big   5368709123 bytes, 03/03/2003-14:05"},
      {"huge", INT64_MAX, UnixToFileTime(k2003, 0),
       "huge   9223372036854775807 bytes, 03/03/2003-14:05"},
      {"neg", -1, UnixToFileTime(k2003, 0), "neg   -1 bytes, 03/03/2003-14:05"},
      // The time text follows the local-time rules: moment 0, or nothing.
      {"zero", 0, U64ToFileTime(0), "zero   0 bytes, 01/01/1970-01:00"},
      {"2040", 0, UnixToFileTime(k2040, 0), "2040   0 bytes, "},
  };
  std::string label = "left over from before";
  for (const auto& c : cases) {
    CTreeItemData record;
    record.m_nFileSize = c.size;
    record.m_ftLastWrite = c.lastWrite;
    record.m_ftCreation = record.m_ftLastAccess = UnixToFileTime(k2040, 0);  // not shown
    FormatFileLabel(c.name, record, label);
    EXPECT_EQ(label, c.label);
  }
}

TEST(FolderImagesTest, RedOnlyForHiddenFolders) {
  const struct {
    DWORD attributes;
    int image, selectedImage;
  } cases[] = {
      {FILE_ATTRIBUTE_DIRECTORY, 1, 2},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT, 1, 2},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_SYSTEM, 1, 2},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN, 3, 4},
      {FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, 3, 4},
  };
  for (const auto& c : cases) {
    const NodeImages images = FolderImages(c.attributes);
    EXPECT_EQ(images.image, c.image) << std::hex << c.attributes;
    EXPECT_EQ(images.selectedImage, c.selectedImage) << std::hex << c.attributes;
  }
}

TEST_F(ScanFrameTest, EachKindOfNode) {
  scratch.Dir("sub");
  scratch.File("sub/inner.txt", 1, k2003);
  scratch.Dir("empty");
  scratch.File("a.txt", 5, k2003, kSummer2003);
  scratch.File("epoch.txt", 0, 0);
  scratch.File("future.txt", 0, k2040);
  scratch.File("big.bin", kBig, k2003);
  scratch.File(".profile", 7, k2003);

  HTREEITEM top = Load(scratch.Path());
  ASSERT_NE(top, nullptr);
  EXPECT_EQ(View(tree, top), (NodeView{scratch.Path(), 0, 0, 1, false, 7}));
  const struct {
    const char* prefix;
    NodeView view;
  } expected[] = {
      {"sub", {"sub", 1, 2, 1, false, 1}},
      {"empty", {"empty", 1, 2, 1, false, 0}},
      {"a.txt", {"a.txt   5 bytes, 03/03/2003-14:05", 5, 5, 1, true, 0}},
      {"epoch.txt", {"epoch.txt   0 bytes, 01/01/1970-01:00", 5, 5, 1, true, 0}},
      {"future.txt", {"future.txt   0 bytes, ", 5, 5, 1, true, 0}},
      {"big.bin", {"big.bin   5368709123 bytes, 03/03/2003-14:05", 5, 5, 1, true, 0}},
      {".profile", {".profile   7 bytes, 03/03/2003-14:05", 5, 5, 1, true, 0}},
  };
  for (const auto& e : expected) {
    HTREEITEM node = Child(tree, top, e.prefix);
    ASSERT_NE(node, nullptr) << e.prefix;
    EXPECT_EQ(View(tree, node), e.view);
  }
  EXPECT_EQ(ChildLabels(tree, Child(tree, top, "sub")),
            std::vector<std::string>{"inner.txt   1 bytes, 03/03/2003-14:05"});

  // The record holds the entry's raw data, the label only shows part of it.
  const CTreeItemData* a = tree.GetItemData(Child(tree, top, "a.txt"));
  EXPECT_EQ(a->m_nFileSize, 5);
  EXPECT_EQ(FileTimeToU64(a->m_ftLastWrite), FileTimeToU64(UnixToFileTime(k2003, 0)));
  EXPECT_EQ(FileTimeToU64(a->m_ftLastAccess), FileTimeToU64(UnixToFileTime(kSummer2003, 0)));
  EXPECT_NE(FileTimeToU64(a->m_ftCreation), 0u);
  EXPECT_EQ(a->m_dwAttributes, FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(tree.GetItemData(Child(tree, top, "big.bin"))->m_nFileSize, kBig);
  EXPECT_TRUE(tree.GetItemData(Child(tree, top, ".profile"))->m_dwAttributes &
              FILE_ATTRIBUTE_HIDDEN);

  // Only the chosen folder is opened; a scan marks nothing.
  EXPECT_TRUE(tree.GetItemState(top, TVIS_EXPANDED));
  EXPECT_FALSE(tree.GetItemState(Child(tree, top, "sub"), TVIS_EXPANDED));
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  EXPECT_EQ(frame.m_nMarkedBytes, 0);
  EXPECT_FALSE(frame.m_bModified);
  EXPECT_TRUE(host.messages.empty()) << "an empty tree asks nothing";
}

TEST_F(ScanFrameTest, SubfoldersFirstInListingOrderUnderEveryFolder) {
  // Names that would sort the other way, created interleaved.
  for (const char* name : {"z", "m", "a", "q", "b", "y"}) {
    scratch.Dir(std::string("d-") + name);
    scratch.File(std::string("f-") + name);
  }
  for (const char* name : {"9", "1", "5"}) {
    scratch.File(std::string("d-m/") + name);
    scratch.Dir(std::string("d-m/") + name + "-dir");
  }
  HTREEITEM top = Load(scratch.Path());
  for (const std::string sub : {"", "d-m"}) {
    HTREEITEM node = sub.empty() ? top : Child(tree, top, sub);
    std::vector<std::string> names;
    for (HTREEITEM c : Children(tree, node)) names.push_back(NameOf(tree, c));
    EXPECT_EQ(names, ExpectedOrder(sub.empty() ? scratch.Path() : scratch / sub))
        << "under '" << sub << "'";
    EXPECT_EQ(names.size(), 12u / (sub.empty() ? 1 : 2));
  }
}

TEST_F(ScanFrameTest, FoldersStartingWithADotAreLeftOutWithTheirContents) {
  scratch.Dir(".git");
  scratch.Dir(".git/objects");
  scratch.File(".git/HEAD");
  scratch.Dir("...");
  scratch.Dir("visible");
  scratch.Dir("visible/.cache");
  scratch.File("visible/.cache/x");
  scratch.File(".dotfile", 0, k2003);
  scratch.File("visible/.rc", 0, k2003);

  HTREEITEM top = Load(scratch.Path());
  std::vector<std::string> labels = ChildLabels(tree, top);
  EXPECT_EQ(labels, (std::vector<std::string>{"visible", ".dotfile   0 bytes, 03/03/2003-14:05"}));
  EXPECT_EQ(ChildLabels(tree, Child(tree, top, "visible")),
            std::vector<std::string>{".rc   0 bytes, 03/03/2003-14:05"});
  EXPECT_EQ(tree.GetCount(), 4u);
}

TEST_F(ScanFrameTest, OddNamesKeepTheirBytes) {
  const std::string names[] = {
      "new\nline",    "tab\there",   "back\\slash",  "latin \xE9t\xE9",
      "\xFF\xFE\x80", " lead space", "trail space ", std::string(254, 'n'),
  };
  std::vector<std::string> expected;
  for (const std::string& name : names) {
    scratch.Dir("d" + name);
    scratch.File("f" + name, 3, k2003);
    expected.push_back("d" + name);
    expected.push_back("f" + name + "   3 bytes, 03/03/2003-14:05");
  }
  HTREEITEM top = Load(scratch.Path());
  std::vector<std::string> labels = ChildLabels(tree, top);
  std::sort(labels.begin(), labels.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(labels, expected);
  EXPECT_EQ(NameOf(tree, Child(tree, top, "d" + std::string(254, 'n'))).size(), 255u);
}

// Ten folders that each link to all ten: followed, the links would never end.
TEST_F(ScanFrameTest, LinksAreListedAsFilesNotFollowed) {
  for (int i = 0; i < 10; ++i) scratch.Dir("d" + std::to_string(i));
  for (int i = 0; i < 10; ++i)
    for (int j = 0; j < 10; ++j)
      scratch.Link("../d" + std::to_string(j), "d" + std::to_string(i) + "/l" + std::to_string(j));
  HTREEITEM top = Load(scratch.Path());
  EXPECT_EQ(CheckConsistent(tree), 111u);
  HTREEITEM link = Child(tree, Child(tree, top, "d3"), "l7");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(NameOf(tree, link) + " " + std::to_string(tree.GetItemData(link)->m_nFileSize), "l7 5")
      << "the link's own size";
  EXPECT_EQ(tree.GetItemData(link)->m_dwAttributes, FILE_ATTRIBUTE_REPARSE_POINT);

  // Only the folder the user chose is followed when it is a link.
  scratch.Link("d3", "chosen");
  top = Load(scratch / "chosen", {IDNO});
  EXPECT_EQ(View(tree, top), (NodeView{scratch / "chosen", 0, 0, 1, false, 10}));
}

TEST_F(ScanFrameTest, KernelFileSystemsAreShownNotEntered) {
  for (const std::string folder : {"/proc", "/sys"}) {
    tree.DeleteAllItems();
    HTREEITEM top = Load(folder);
    EXPECT_EQ(View(tree, top),
              (NodeView{folder + " [" + kKernelFileSystem + "]", 0, 0, 4, false, 0}));
    EXPECT_EQ(tree.GetCount(), 1u);
  }
}

// A whole-tree file writes depth d at level d + 1 and holds levels up to 199,
// so the folder at depth 198 is shown but not entered.
TEST_F(ScanFrameTest, FoldersBeyondWhatATreeFileHoldsAreNotEntered) {
  ScratchFolder fast(ScratchFolder::Storage::Memory);
  std::string path;
  for (int depth = 1; depth <= 200; ++depth) {
    path += depth == 1 ? "d" : "/d";
    fast.Dir(path);
    if (depth == kDeepestEnteredDepth) fast.File(path + "/last-file", 0, k2003);
  }
  HTREEITEM node = Load(fast.Path());
  for (int depth = 1; depth <= kDeepestEnteredDepth; ++depth) {
    node = Child(tree, node, "d");
    ASSERT_NE(node, nullptr) << depth;
    ASSERT_EQ(View(tree, node),
              (NodeView{"d", 1, 2, 1, false, depth == kDeepestEnteredDepth ? 2u : 1u}))
        << depth;
  }
  EXPECT_NE(Child(tree, node, "last-file"), nullptr) << "files at depth 198 are kept";
  EXPECT_EQ(View(tree, Child(tree, node, "d")),
            (NodeView{"d [Maximum directory nest level exceeded!]", 1, 2, 4, false, 0}));
  EXPECT_EQ(tree.GetCount(), 200u);
}

// Entering a folder means searching it: one that may only be read, or only
// be searched, cannot be catalogued and says so. Listed all the same, the
// entries of a folder that may be read but not searched keep why their
// status is unknown.
TEST_F(ScanFrameTest, FolderThatRefusesEntryKeepsItsSiblings) {
  scratch.Dir("a-before");
  scratch.File("a-before/x");
  // Run by root the scan runs as nobody, to whom the "others" bits apply.
  const bool root = ::geteuid() == 0;
  const struct {
    const char* name;
    mode_t asOwner, asRoot;
  } refusing[] = {{"locked", 0, 0700}, {"read-only", 0400, 0744}, {"search-only", 0100, 0711}};
  for (const auto& r : refusing) {
    scratch.Dir(r.name);
    scratch.File(std::string(r.name) + "/secret");
    ::chmod((scratch / r.name).c_str(), root ? r.asRoot : r.asOwner);
  }
  scratch.Dir("z-after");
  scratch.File("z-after/y");
  scratch.File("file");

  // Root enters any folder, so the scan runs as an ordinary user.
  const std::string result = TextFromChild(root, [&] {
    ScriptedHost childHost;
    MemoryProfile childProfile;
    CMainFrame childFrame(childHost, childProfile);
    childHost.folders.push_back(scratch.Path());
    childFrame.OnFileNew();
    std::string out;
    for (HTREEITEM c : Children(childFrame.Tree(), childFrame.Tree().GetRootItem())) {
      const NodeView v = View(childFrame.Tree(), c);
      out += v.label.substr(0, v.label.find("   ")) + "|" + std::to_string(v.state) + "|" +
             std::to_string(v.children) + "\n";
    }
    const int fd = ::open((scratch / "read-only").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    FolderListing listing{FolderHandle(fd)};
    for (FindData e; listing.Next(e);)
      out += "listed " + std::string(e.name) + " " + std::to_string(e.statusError) + "\n";
    return out;
  });
  std::vector<std::string> expected;
  for (const std::string& name : ExpectedOrder(scratch.Path()))
    expected.push_back(name == "locked" || name == "read-only" || name == "search-only"
                           ? name + " [Permission denied]|4|0"
                           : name + "|1|" + (name == "file" ? "0" : "1"));
  std::string expectedText;
  for (const std::string& line : expected) expectedText += line + "\n";
  expectedText += "listed secret " + std::to_string(EACCES) + "\n";
  EXPECT_EQ(result, expectedText);
}

TEST_F(ScanFrameTest, ChosenFolderThatCannotBeEnteredIsTheOnlyNode) {
  const std::string missing = scratch / "missing";
  HTREEITEM top = Load(missing);
  EXPECT_EQ(View(tree, top),
            (NodeView{missing + " [No such file or directory]", 0, 0, 4, false, 0}));
  EXPECT_EQ(tree.GetCount(), 1u);
  EXPECT_EQ(host.status[0], "Ready");
}

TEST_F(ScanFrameTest, EntriesVanishingDuringTheScan) {
  scratch.Dir("sub1");
  scratch.Dir("sub2");
  scratch.File("sub2/x");
  for (int i = 0; i < 10; ++i) scratch.File("f" + std::to_string(i));

  // A folder's listing is read whole before its subfolders are entered, so
  // files that go while a subfolder loads are still in it.
  std::vector<std::string> raw;
  {
    int err = 0;
    FolderHandle dir = FolderHandle::OpenAt(AT_FDCWD, scratch.Path().c_str(), err);
    FolderListing listing(std::move(dir));
    for (FindData e; listing.Next(e);) raw.emplace_back(e.name);
  }
  const std::vector<std::string> folders = {ExpectedOrder(scratch.Path())[0],
                                            ExpectedOrder(scratch.Path())[1]};
  // While the first subfolder loads, every file goes; the second subfolder
  // goes between being listed and being entered.
  host.onProgress = [&](const std::string& status) {
    if (status == "Loading folder: " + folders[0])
      for (int i = 0; i < 10; ++i) ::unlink((scratch / "f" + std::to_string(i)).c_str());
    if (status == "Loading folder: " + folders[1]) {
      std::error_code ec;
      std::filesystem::remove_all(scratch / folders[1], ec);
    }
  };
  HTREEITEM top = Load(scratch.Path());

  std::vector<std::string> expected = folders;
  expected[1] += " [No such file or directory]";
  for (const std::string& name : raw)
    if (name.size() == 2 && name[0] == 'f') expected.push_back(name);
  std::vector<std::string> names;
  for (HTREEITEM c : Children(tree, top)) names.push_back(NameOf(tree, c));
  EXPECT_EQ(names, expected);
  EXPECT_EQ(tree.GetStateImage(Child(tree, top, folders[1])), 4);
  CheckConsistent(tree);
}

TEST_F(ScanFrameTest, StatusShowsEachFolderThenReady) {
  scratch.Dir("sub");
  scratch.Dir("sub/inner");
  scratch.File("sub/file");
  Load(scratch.Path());
  EXPECT_EQ(host.events, (std::vector<std::string>{"status: Loading folder: " + scratch.Path(),
                                                   "progress", "status: Loading folder: sub",
                                                   "progress", "status: Loading folder: inner",
                                                   "progress", "status: Ready"}));
  EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)");
  EXPECT_EQ(host.waitCursorShown, 1);
  EXPECT_EQ(host.waitDepth, 0);
}

TEST_F(ScanFrameTest, CurrentDirectoryNeverMoves) {
  scratch.Dir("sub");
  scratch.Dir("sub/inner");
  ScratchFolder elsewhere;
  struct BackWhereWeWere {
    std::filesystem::path cwd = std::filesystem::current_path();
    ~BackWhereWeWere() { std::filesystem::current_path(cwd); }
  } restore;
  ASSERT_EQ(::chdir(elsewhere.Path().c_str()), 0);
  int checks = 0;
  host.onProgress = [&](const std::string&) {
    char now[PATH_MAX];
    EXPECT_EQ(std::string(::getcwd(now, sizeof now)), elsewhere.Path());
    ++checks;
  };
  Load(scratch.Path());
  char after[PATH_MAX];
  EXPECT_EQ(std::string(::getcwd(after, sizeof after)), elsewhere.Path());
  EXPECT_EQ(checks, 3);
  EXPECT_EQ(tree.GetCount(), 3u);
}

TEST_F(ScanFrameTest, OneDescriptorPerLevelClosedWhenItsListingEnds) {
  for (const char* name : {"a", "b", "c", "d"}) {
    scratch.Dir(name);
    scratch.Dir(std::string(name) + "/inner");
  }
  const int baseline = OpenDescriptorCount();
  std::vector<std::string> seen;
  host.onProgress = [&](const std::string& status) {
    seen.push_back(status + " " + std::to_string(OpenDescriptorCount() - baseline));
  };
  Load(scratch.Path());
  std::vector<std::string> expected = {"Loading folder: " + scratch.Path() + " 0"};
  for (HTREEITEM c : Children(tree, tree.GetRootItem())) {
    expected.push_back("Loading folder: " + NameOf(tree, c) + " 1");
    expected.push_back("Loading folder: inner 2");
  }
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(OpenDescriptorCount(), baseline);
}

// Memory running out inside the scan ends File New with one message and a
// tree in which every node is whole; the program goes on.
TEST_F(ScanFrameTest, OutOfMemoryDuringTheScan) {
  for (const char* name : {"a", "b", "c"}) {
    scratch.Dir(name);
    scratch.Dir(std::string(name) + "/inner");
    for (int i = 0; i < 5; ++i) scratch.File(std::string(name) + "/inner/f" + std::to_string(i));
  }
  const int baseline = OpenDescriptorCount();
  int failures = 0;
  host.onProgress = [&](const std::string& status) {
    if (status == "Loading folder: inner" && ++failures == 2) throw std::bad_alloc();
  };
  Load(scratch.Path());
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Out of memory.");
  EXPECT_EQ(host.messages[0].caption, "ZTR");
  EXPECT_EQ(host.waitDepth, 0);
  EXPECT_EQ(OpenDescriptorCount(), baseline);
  const size_t partial = CheckConsistent(tree);
  EXPECT_EQ(partial, 1u + 7 + 1)
      << "the first branch whole, the second without what it was loading";

  host.onProgress = nullptr;
  frame.ToggleSelect(tree.GetRootItem());
  EXPECT_EQ(frame.m_nMarkedFiles, 5);
  Load(scratch.Path(), {IDYES});
  EXPECT_EQ(tree.GetCount(), partial + 1 + 3 * 7);
  tree.DeleteAllItems();
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  EXPECT_EQ(frame.m_nMarkedBytes, 0);
}

// --- The questions before a scan ---

class FileNewQuestionsTest : public ScanFrameTest {
 protected:
  void SetUp() override {
    scratch.Dir("first");
    scratch.File("first/one", 100);
    scratch.Dir("second");
    scratch.File("second/two", 200);
    frame.OnCreate();
    untitledCaption = host.caption;
    top = Load(scratch / "first");
    const std::string file = "/saved/tree.ztr";
    frame.UpdateCaption(&file);
    titledCaption = host.caption;
    host.messages.clear();
  }
  void MarkTheFile() { frame.ToggleSelect(tree.GetChildItem(top)); }
  std::vector<std::string> TopLabels() { return ChildLabels(tree, nullptr); }

  HTREEITEM top = nullptr;
  std::string untitledCaption, titledCaption;
};

TEST_F(FileNewQuestionsTest, YesAddsBesideTheFirst) {
  MarkTheFile();
  Load(scratch / "first", {IDYES});
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Add to current tree?");
  EXPECT_EQ(host.messages[0].caption, "Load Directory Tree");
  EXPECT_EQ(host.messages[0].type, MB_YESNO | MB_ICONQUESTION);
  EXPECT_EQ(TopLabels(), (std::vector<std::string>{scratch / "first", scratch / "first"}));
  HTREEITEM again = tree.GetNextSiblingItem(top);
  EXPECT_EQ(ChildLabels(tree, again), ChildLabels(tree, top));
  EXPECT_EQ(tree.GetStateImage(tree.GetChildItem(again)), 1);
  EXPECT_EQ(frame.m_nMarkedFiles, 1) << "the marks of the first branch stay";
  EXPECT_EQ(frame.m_strTreeFile, "/saved/tree.ztr");
  EXPECT_EQ(host.caption, titledCaption);
  EXPECT_TRUE(frame.m_bModified);
}

TEST_F(FileNewQuestionsTest, NoStartsAfresh) {
  const struct {
    bool modified;
    std::vector<int> answers;
    size_t messages;
  } cases[] = {
      {false, {IDNO}, 1},       // nothing to save: no second question
      {true, {IDNO, IDNO}, 2},  // changes thrown away
  };
  for (const auto& c : cases) {
    tree.DeleteAllItems();
    top = Load(scratch / "first");
    if (c.modified) MarkTheFile();
    frame.m_bModified = c.modified;
    const std::string file = "/saved/tree.ztr";
    frame.UpdateCaption(&file);
    host.messages.clear();

    Load(scratch / "second", c.answers);
    EXPECT_EQ(host.messages.size(), c.messages);
    EXPECT_EQ(TopLabels(), std::vector<std::string>{scratch / "second"});
    EXPECT_EQ(frame.m_nMarkedFiles, 0);
    EXPECT_EQ(frame.m_nMarkedBytes, 0);
    EXPECT_EQ(host.status[1], "Selected: 0 bytes (0 files)");
    EXPECT_EQ(frame.m_strTreeFile, "");
    EXPECT_EQ(host.caption, untitledCaption);
    EXPECT_EQ(frame.m_bModified, c.modified) << "File New leaves the flag alone";
  }
}

TEST_F(FileNewQuestionsTest, CancelInTheSavePromptChangesNothing) {
  MarkTheFile();
  const int waitCursors = host.waitCursorShown;
  Load(scratch / "second", {IDNO, IDCANCEL});
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[1].text, "Save current directory tree?");
  EXPECT_EQ(host.folders.size(), 1u) << "no folder browser";
  EXPECT_EQ(TopLabels(), std::vector<std::string>{scratch / "first"});
  EXPECT_EQ(frame.m_nMarkedFiles, 1);
  EXPECT_EQ(frame.m_strTreeFile, "/saved/tree.ztr");
  EXPECT_TRUE(frame.m_bModified);
  EXPECT_EQ(host.waitCursorShown, waitCursors) << "no scan";
}

TEST_F(FileNewQuestionsTest, BrowserCancelledAfterNoLeavesAnEmptyUntitledTree) {
  MarkTheFile();
  host.answers = {IDNO, IDNO};
  host.folders.push_back("");  // cancel
  frame.OnCommand(ID_FILE_NEW);
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  EXPECT_EQ(frame.m_strTreeFile, "");
  EXPECT_EQ(host.caption, untitledCaption);
  EXPECT_TRUE(frame.m_bModified);
}

TEST_F(FileNewQuestionsTest, BrowserCancelledAfterYesChangesNothing) {
  host.answers = {IDYES};
  host.folders.push_back("");
  frame.OnCommand(ID_FILE_NEW);
  EXPECT_EQ(TopLabels(), std::vector<std::string>{scratch / "first"});
  EXPECT_EQ(host.caption, titledCaption);
}

}  // namespace
}  // namespace scan_test
