// File Open, Save and Save As as the user meets them: dialogs, the current
// file name, the unsaved-changes flag, and what a failure leaves behind.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/resource.h"
#include "support/resource_limits.h"
#include "tree_file_records.h"

namespace {

using namespace tree_file_test;
using Names = std::vector<std::string>;

class FileCommandsTest : public FrameFixture {
 protected:
  std::string Caption(const std::string& file) const {
    return std::string(kFrameTitle) + " - " + kMakerName +
           (file.empty() ? "" : " - [" + file + "]");
  }
  // A catalogue of two branches with one marked file in each.
  void BuildCatalogue() {
    Load(FileBytes({Folder("/data", 1, 3, 1), Folder("sub", 2, 1, 1), File("a", 3, 100),
                    File("b", 2, 20, 2), Folder("/more", 1, 2, 1), File("c", 2, 3, 2)}));
    frame.UpdateCaption(nullptr);
    host.messages.clear();
  }
  void ExpectOneFailure(const std::string& text) const {
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, text);
    EXPECT_EQ(host.messages[0].caption, kAppName);
    EXPECT_EQ(host.messages[0].type, MB_OK | MB_ICONSTOP);
  }
};

TEST_F(FileCommandsTest, Dialogs) {
  frame.OnCommand(ID_FILE_SAVE_AS);
  frame.OnCommand(ID_FILE_OPEN);
  ASSERT_EQ(host.dialogs.size(), 2u);
  std::vector<std::pair<std::string, std::string>> filters = {
      {"Directory View Files, *.ztr", "*.ztr"}, {"All files", "*.*"}};
  const FileDialogOptions& save = host.dialogs[0];
  EXPECT_EQ(save.title, "Save the current Directory Tree");
  EXPECT_EQ(save.filters, filters);
  EXPECT_EQ(save.defaultExt, "ztr");
  EXPECT_EQ(save.initialName, "");
  EXPECT_EQ(save.flags,
            OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_CREATEPROMPT);
  const FileDialogOptions& open = host.dialogs[1];
  EXPECT_EQ(open.title, "Load a previously saved Directory Tree");
  filters.emplace_back("ncdu exports, *.json", "*.json");
  EXPECT_EQ(open.filters, filters);
  EXPECT_EQ(open.defaultExt, "");
  EXPECT_EQ(open.initialName, "");
  EXPECT_EQ(open.flags,
            OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
}

// The current file name and the unsaved-changes flag, step by step.
TEST_F(FileCommandsTest, NameAndFlagFollowEachCommand) {
  BuildCatalogue();
  const std::string first = folder / "first.ztr", second = folder / "second.ztr";
  struct Step {
    const char* what;
    UINT command;
    std::vector<std::string> saveNames, openNames;
    bool modifiedBefore;
    std::string name;  // afterwards
    bool modified;     // afterwards
    size_t dialogs;    // shown by this step
  };
  const Step steps[] = {
      {"Save cancelled", ID_FILE_SAVE, {""}, {}, true, "", true, 1},
      {"first Save asks", ID_FILE_SAVE, {first}, {}, true, first, false, 1},
      {"Save with a name", ID_FILE_SAVE, {}, {}, true, first, false, 0},
      {"Save As cancelled", ID_FILE_SAVE_AS, {""}, {}, true, first, true, 1},
      {"Save As always asks", ID_FILE_SAVE_AS, {second}, {}, true, second, false, 1},
      {"Open cancelled", ID_FILE_OPEN, {}, {""}, false, second, false, 1},
      {"Open", ID_FILE_OPEN, {}, {first}, false, first, false, 1},
      {"Open after changes, answered No", ID_FILE_OPEN, {}, {second}, true, second, false, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    host.saveNames.assign(s.saveNames.begin(), s.saveNames.end());
    host.openNames.assign(s.openNames.begin(), s.openNames.end());
    host.answers = {IDNO};
    host.dialogs.clear();
    frame.m_bModified = s.modifiedBefore;
    frame.OnCommand(s.command);
    EXPECT_EQ(frame.m_strTreeFile, s.name);
    EXPECT_EQ(host.caption, Caption(s.name));
    EXPECT_EQ(frame.m_bModified, s.modified);
    EXPECT_EQ(host.dialogs.size(), s.dialogs);
    EXPECT_EQ(host.waitDepth, 0);
    EXPECT_EQ(tree.GetCount(), 6u);
  }
  EXPECT_EQ(ReadWholeFile(first), ReadWholeFile(second));
  EXPECT_TRUE(std::all_of(host.messages.begin(), host.messages.end(), [](const ShownMessage& m) {
    return m.text == "Save current directory tree?";
  }));
}

// A real folder scanned, saved, opened and saved again gives the same
// records; only the display flags of the state word may differ.
TEST_F(FileCommandsTest, ScannedFolderSurvivesSaveAndOpen) {
  const std::string scanned = folder / "scanned";
  for (const char* sub : {"", "/docs", "/docs/deep", "/empty", "/music"})
    ASSERT_EQ(::mkdir((scanned + sub).c_str(), 0755), 0);
  WriteWholeFile(scanned + "/readme.txt", std::string(1234, 'r'));
  WriteWholeFile(scanned + "/docs/a.txt", std::string(5, 'a'));
  WriteWholeFile(scanned + "/docs/deep/b.bin", std::string(70000, 'b'));
  WriteWholeFile(scanned + "/music/c.ogg", std::string(10, 'c'));
  host.folders = {scanned, scanned + "/music"};
  host.answers = {IDYES};  // add the second folder to the tree
  frame.OnCommand(ID_FILE_NEW);
  frame.OnCommand(ID_FILE_NEW);
  ASSERT_GE(tree.GetCount(), 10u) << "the scan built no tree";
  // Marks: the deep folder and the file beside it.
  HTREEITEM docs = tree.GetChildItem(tree.GetRootItem());
  while (docs && tree.GetItemText(docs) != "docs") docs = tree.GetNextSiblingItem(docs);
  ASSERT_NE(docs, nullptr);
  frame.ToggleSelect(tree.GetChildItem(docs));
  frame.ToggleSelect(tree.GetNextSiblingItem(tree.GetChildItem(docs)));
  const std::vector<Node> before = Dump(tree);
  const auto totals = std::make_pair(frame.m_nMarkedBytes, frame.m_nMarkedFiles);
  ASSERT_EQ(totals, std::make_pair(int64_t{70005}, 2));
  const std::string status = host.status[1];

  const std::string saved = folder / "saved.ztr", again = folder / "again.ztr";
  host.saveNames = {saved, again};
  host.openNames = {saved};
  frame.OnCommand(ID_FILE_SAVE_AS);
  frame.OnCommand(ID_FILE_OPEN);
  EXPECT_EQ(Dump(tree), before);
  EXPECT_EQ(std::make_pair(frame.m_nMarkedBytes, frame.m_nMarkedFiles), totals);
  EXPECT_EQ(host.status[1], status);
  frame.OnCommand(ID_FILE_SAVE_AS);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Add to current tree?");

  std::vector<Record> one = ParseRecords(ReadWholeFile(saved));
  std::vector<Record> two = ParseRecords(ReadWholeFile(again));
  ASSERT_EQ(one.size(), before.size());
  ASSERT_EQ(two.size(), one.size());
  for (size_t i = 0; i < one.size(); ++i) {
    SCOPED_TRACE(one[i].name);
    one[i].words[kState] &= 0xF000;
    two[i].words[kState] &= 0xF000;
    EXPECT_EQ(two[i].name, one[i].name);
    EXPECT_EQ(two[i].level, one[i].level);
    EXPECT_EQ(two[i].words, one[i].words);
    EXPECT_EQ(two[i].data, one[i].data);
  }
}

TEST_F(FileCommandsTest, OpenShowsTheFirstBranchAndTheTotals) {
  BuildCatalogue();
  HTREEITEM data = tree.GetRootItem();
  HTREEITEM more = tree.GetNextSiblingItem(data);
  EXPECT_NE(tree.GetItemState(data, TVIS_EXPANDED), 0u);
  EXPECT_EQ(tree.GetItemState(tree.GetChildItem(data), TVIS_EXPANDED), 0u);
  EXPECT_EQ(tree.GetItemState(more, TVIS_EXPANDED), 0u);
  EXPECT_EQ(host.status[1], "Selected: 23 bytes (2 files)");
  EXPECT_EQ(host.waitDepth, 0);
  EXPECT_GT(host.waitCursorShown, 0);
}

TEST_F(FileCommandsTest, EmptyTreeSavesAsAnEmptyFile) {
  const std::string path = folder / "empty.ztr";
  host.saveNames = {path};
  host.openNames = {path};
  frame.OnCommand(ID_FILE_SAVE);
  EXPECT_TRUE(ReadWholeFile(path).empty());
  frame.OnCommand(ID_FILE_OPEN);
  EXPECT_EQ(tree.GetCount(), 0u);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(frame.m_strTreeFile, path);
}

TEST_F(FileCommandsTest, BranchFileSavedAgainIsAWholeTreeFile) {
  BuildCatalogue();
  const std::string branch = folder / "branch.ztr", whole = folder / "whole.ztr";
  frame.SaveTree(branch, tree.GetChildItem(tree.GetRootItem()));  // /data/sub
  host.openNames = {branch};
  host.saveNames = {whole};
  frame.OnCommand(ID_FILE_OPEN);
  frame.OnCommand(ID_FILE_SAVE_AS);
  std::vector<std::pair<std::string, int>> levels;
  for (const Record& r : ParseRecords(ReadWholeFile(whole))) levels.emplace_back(r.name, r.level);
  EXPECT_EQ(levels, (std::vector<std::pair<std::string, int>>{{"/data", 1}, {"sub", 2}, {"a", 3}}));
}

// The unsaved-changes question: Yes and a cancelled save keep the tree.
TEST_F(FileCommandsTest, YesThenCancelledSaveKeepsTheTree) {
  BuildCatalogue();
  const std::string other = folder / "other.ztr";
  WriteWholeFile(other, FileBytes({Folder("other", 1)}));
  struct Case {
    const char* what;
    int answer;
    std::string saveName;
    bool opened;
  };
  const Case cases[] = {
      {"Cancel", IDCANCEL, "", false},
      {"Yes, then the save dialog cancelled", IDYES, "", false},
      {"Yes, then saved", IDYES, folder / "kept.ztr", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    host.answers = {c.answer};
    host.saveNames = {c.saveName};
    host.openNames = {other};
    frame.m_bModified = true;
    frame.OnCommand(ID_FILE_OPEN);
    EXPECT_EQ(tree.GetCount(), c.opened ? 1u : 6u);
    EXPECT_EQ(frame.m_bModified, !c.opened);
    EXPECT_EQ(host.openNames.empty(), c.opened) << "the open dialog was shown";
  }
  EXPECT_EQ(ParseRecords(ReadWholeFile(folder / "kept.ztr")).size(), 6u);
}

// A save that fails half-way leaves the previous file as it was, removes the
// temporary file, keeps the flag set and says why once.
TEST_F(FileCommandsTest, FailedSaveKeepsThePreviousFile) {
  std::vector<Record> many(100, Folder(std::string(50, 'x'), 1));
  Load(FileBytes(many));
  const std::string path = folder / "tree.ztr";
  WriteWholeFile(path, "previous");
  frame.UpdateCaption(&path);
  frame.m_bModified = true;
  host.messages.clear();
  // In a child whose files cannot grow past 1000 bytes: the system takes
  // part of a write and refuses the rest, as a full disk does.
  const int status = RunWithFileSizeLimit(1000, [&] {
    frame.OnCommand(ID_FILE_SAVE);
    if (host.messages.size() != 1) return 101;
    if (host.messages[0].text != "Disk full while accessing " + path + ".") return 102;
    if (host.messages[0].type != (MB_OK | MB_ICONSTOP)) return 103;
    if (!frame.m_bModified) return 104;
    return host.waitDepth == 0 ? 0 : 105;
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadWholeText(path), "previous");
  const Names entries = folder.Entries();
  EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                          [](const std::string& n) { return n.ends_with(".tmp"); }),
            0);
}

TEST_F(FileCommandsTest, SaveFailuresAreReported) {
  BuildCatalogue();
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {"/dev/full", "Disk full while accessing /dev/full."},
      {folder / "missing/tree.ztr", folder / "missing/tree.ztr was not found."},
      {folder.Path(), folder.Path() + " is a folder, not a file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    host.messages.clear();
    host.saveNames = {c.path};
    frame.m_bModified = true;
    frame.OnCommand(ID_FILE_SAVE_AS);
    ExpectOneFailure(c.message);
    EXPECT_TRUE(frame.m_bModified);
    EXPECT_EQ(frame.m_strTreeFile, "") << "the tree takes no name it was not written to";
    EXPECT_EQ(host.waitDepth, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "missing"));
}

// A file that cannot be opened is reported, and nothing is lost: the tree,
// its name, the caption and the unsaved-changes flag stay as they were.
TEST_F(FileCommandsTest, OpenFailureKeepsTheTree) {
  BuildCatalogue();
  const std::string current = folder / "current.ztr";
  frame.UpdateCaption(&current);
  const std::vector<Node> before = Dump(tree);
  struct Case {
    std::string path;
    std::string message;
  };
  const Case cases[] = {
      {folder / "gone.ztr", folder / "gone.ztr was not found."},
      {folder.Path(), folder.Path() + " is a folder, not a file."},
      {folder / "in.ztr/x", folder / "in.ztr/x contains an invalid path."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    host.messages.clear();
    host.openNames = {c.path};
    host.answers = {IDNO};
    frame.m_bModified = true;
    frame.OnCommand(ID_FILE_OPEN);
    ASSERT_EQ(host.messages.size(), 2u);
    host.messages.erase(host.messages.begin());  // the unsaved-changes question
    ExpectOneFailure(c.message);
    EXPECT_EQ(Dump(tree), before);
    EXPECT_EQ(frame.m_strTreeFile, current);
    EXPECT_EQ(host.caption, Caption(current));
    EXPECT_TRUE(frame.m_bModified);
    ExpectTotalsFollowTheMarks();
  }
}

// A pseudo-terminal hands over what was written to it and then, once its
// other end is closed, fails the next read: a read error part-way.
class PartWayReadError {
 public:
  explicit PartWayReadError(Bytes bytes) : m_bytes(std::move(bytes)) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) return;
    m_path = ::ptsname(m_master);
    m_slave = ::open(m_path.c_str(), O_RDONLY | O_NOCTTY | O_CLOEXEC);
    termios raw;
    if (m_slave < 0 || ::tcgetattr(m_slave, &raw) != 0) return;
    ::cfmakeraw(&raw);
    if (::tcsetattr(m_slave, TCSANOW, &raw) != 0) return;
    m_writer = std::thread([this] {
      for (size_t at = 0; at < m_bytes.size();) {
        const ssize_t n = ::write(m_master, m_bytes.data() + at, m_bytes.size() - at);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
      }
      // Closed only once every byte has been taken, so none is thrown away.
      for (int i = 0; i < 5000; ++i) {
        int queued = 0;
        if (::ioctl(m_slave, FIONREAD, &queued) != 0 || queued == 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      ::close(m_master);
      m_master = -1;
    });
  }
  ~PartWayReadError() {
    if (m_writer.joinable()) m_writer.join();
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
  }
  bool Ready() const { return m_writer.joinable(); }
  const std::string& Path() const { return m_path; }

 private:
  Bytes m_bytes;
  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
  std::thread m_writer;
};

TEST_F(FileCommandsTest, ReadErrorPartWayLeavesNoFileName) {
  BuildCatalogue();
  std::vector<Record> records = {Folder("top", 1)};
  for (int i = 0; i < 300; ++i) records.push_back(File("file", 2, 10, 2));
  const Bytes bytes = FileBytes(records);
  PartWayReadError source(Bytes(bytes.begin(), bytes.begin() + 9000));
  if (!source.Ready()) GTEST_SKIP() << "no pseudo-terminal to fail a read with";
  host.openNames = {source.Path()};
  frame.OnCommand(ID_FILE_OPEN);
  ExpectOneFailure("A hardware I/O error was reported while accessing an unnamed file.");
  EXPECT_GT(tree.GetCount(), 1u) << "the nodes read before the failure stay";
  EXPECT_LT(tree.GetCount(), 9000u / 86);
  EXPECT_EQ(frame.m_strTreeFile, "");
  EXPECT_EQ(host.caption, Caption(""));
  EXPECT_EQ(host.waitDepth, 0);
  ExpectTotalsFollowTheMarks();
  EXPECT_EQ(host.status[1], "Selected: " + std::to_string(frame.m_nMarkedBytes) + " bytes (" +
                                std::to_string(frame.m_nMarkedFiles) + " files)");
  // So Save asks where to write instead of overwriting the file with a part.
  host.dialogs.clear();
  frame.OnCommand(ID_FILE_SAVE);
  EXPECT_EQ(host.dialogs.size(), 1u);
}

// Memory running out during a load: one message, the nodes read so far with
// totals that match them, and no current file name. Run in a fresh process
// of this program: memory that earlier tests left to the allocator (a
// thread's arena, say) would let the load succeed within any limit.
TEST_F(FileCommandsTest, OutOfMemoryPartWay) {
  if (kSanitized) GTEST_SKIP() << kSanitizedSkip;
  constexpr char kInner[] = "ZTR_TEST_OUT_OF_MEMORY_INNER";
  if (std::getenv(kInner) == nullptr) {
    EXPECT_EQ(RunInChild(false,
                         [&] {
                           ::setenv(kInner, "1", 1);
                           ::execl("/proc/self/exe", "ztr_tests",
                                   "--gtest_filter=FileCommandsTest.OutOfMemoryPartWay",
                                   "--gtest_brief=1", static_cast<char*>(nullptr));
                           return 127;
                         }),
              0);
    return;
  }

  constexpr size_t kRecords = 400000;
  const std::string path = folder / "huge.ztr";
  {
    // Written record by record: a heap grown for the whole file would hold
    // enough free memory for the load.
    std::ofstream out(path, std::ios::binary);
    for (size_t i = 0; i < kRecords; ++i) {
      const Bytes b =
          RecordBytes(i == 0 ? Folder("top", 1) : File("file-" + std::to_string(i), 2, 3, 2));
      out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
  }
  host.openNames = {path};
  host.messages.reserve(8);  // the message itself must not need memory
  {
    const AddressSpaceLimit limit(12u << 20);
    ASSERT_TRUE(limit.IsSet());
    frame.OnCommand(ID_FILE_OPEN);
  }

  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, "Out of memory.");
  EXPECT_GT(tree.GetCount(), 1u);
  EXPECT_LT(tree.GetCount(), kRecords);
  EXPECT_EQ(frame.m_strTreeFile, "");
  EXPECT_EQ(host.waitDepth, 0);
  ExpectTotalsFollowTheMarks();
  tree.DeleteAllItems();
  EXPECT_EQ(frame.m_nMarkedFiles, 0);
  EXPECT_EQ(frame.m_nMarkedBytes, 0);
}

}  // namespace

namespace {

// A bad export shows where it went wrong and keeps what was read; the tree
// is untitled, so Save asks for a name and the JSON file stays as it was.
TEST_F(FileCommandsTest, OpenedNcduExportIsUntitledAndNeverOverwritten) {
  const std::string json = folder / "nas.json";
  const std::string text = "[1,2,{},[{\"name\":\"/srv\"},[{\"name\":\"d\"}],{\"name\":\"f\"";
  WriteWholeFile(json, Bytes(text.begin(), text.end()));
  host.openNames = {json};
  frame.OnCommand(ID_FILE_OPEN);
  ASSERT_EQ(host.messages.size(), 1u);
  EXPECT_EQ(host.messages[0].text, json + ": line 1: the file ends too early (truncated?)");
  EXPECT_EQ(host.messages[0].caption, "File Open");
  EXPECT_EQ(tree.GetCount(), 2u);
  EXPECT_EQ(frame.m_strTreeFile, "");
  EXPECT_FALSE(frame.m_bModified);
  host.saveNames = {""};
  frame.OnCommand(ID_FILE_SAVE);
  EXPECT_EQ(host.dialogs.size(), 2u);  // open, then save asking for a name
  EXPECT_EQ(ReadWholeFile(json), Bytes(text.begin(), text.end()));
}

}  // namespace
