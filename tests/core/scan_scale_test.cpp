// File New at scale and under pressure: a very large folder, a very deep
// tree, and memory really running out.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "core/scan_fixture.h"
#include "support/resource_limits.h"
#include "tree/scan_walker.h"

namespace scan_test {
namespace {

void MakeEmptyFiles(const std::string& folder, int count) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  ASSERT_GE(dir, 0);
  char name[32];
  for (int i = 0; i < count; ++i) {
    std::snprintf(name, sizeof name, "entry-%06d", i);
    const int fd = ::openat(dir, name, O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << std::strerror(errno);
    ::close(fd);
  }
  ::close(dir);
}

TEST_F(ScanFrameTest, FolderOfAHundredThousandEntries) {
  constexpr int kEntries = 100'000;
  ScratchFolder fast(ScratchFolder::Storage::Memory);
  MakeEmptyFiles(fast.Path(), kEntries - 10);
  for (int i = 0; i < 10; ++i) fast.Dir("folder-" + std::to_string(i));

  HTREEITEM top = Load(fast.Path());
  ASSERT_EQ(tree.GetCount(), 1u + kEntries);
  std::vector<std::string> names;
  names.reserve(kEntries);
  for (HTREEITEM c : Children(tree, top)) names.push_back(NameOf(tree, c));
  EXPECT_EQ(names, ExpectedOrder(fast.Path()));
  CheckConsistent(tree);
}

TEST_F(ScanFrameTest, TreeAThousandFoldersDeepStopsAtTheNestLimit) {
  constexpr int kDepth = 1000;
  ScratchFolder fast(ScratchFolder::Storage::Memory);
  int fd = ::open(fast.Path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  for (int i = 0; i < kDepth; ++i) {
    ASSERT_EQ(::mkdirat(fd, "d", 0755), 0) << i << ": " << std::strerror(errno);
    const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ::close(fd);
    fd = next;
    ASSERT_GE(fd, 0);
  }
  ::close(fd);

  const int baseline = OpenDescriptorCount();
  HTREEITEM node = Load(fast.Path());
  EXPECT_EQ(OpenDescriptorCount(), baseline);
  ASSERT_EQ(tree.GetCount(), static_cast<size_t>(kDeepestEnteredDepth) + 2);
  int depth = 0;
  while (HTREEITEM child = tree.GetChildItem(node)) node = child, ++depth;
  EXPECT_EQ(depth, kDeepestEnteredDepth + 1);
  EXPECT_EQ(View(tree, node),
            (NodeView{"d [Maximum directory nest level exceeded!]", 1, 2, 4, false, 0}));
  EXPECT_EQ(host.status[0], "Ready");
}

// Scans a large folder with the address space limited to a little more
// than the process already has, so that the scan's own allocations fail.
// Writes what the frame did to stderr; exits 0 when it is what it must be.
[[noreturn]] void ScanWithTooLittleMemory() {
  constexpr int kFiles = 60'000;
  std::string out;
  {
    ScratchFolder fast(ScratchFolder::Storage::Memory);
    MakeEmptyFiles(fast.Path(), kFiles);
    RecordingHost host;
    MemoryProfile profile;
    CMainFrame frame(host, profile);
    CTreeCtrl& tree = frame.Tree();
    host.messages.reserve(4);  // the message box need not allocate

    host.folders.push_back(fast.Path());
    {
      const AddressSpaceLimit limit(2 << 20);
      frame.OnCommand(ID_FILE_NEW);
    }

    for (const ShownMessage& m : host.messages) out += m.text + "\n";
    out += "wait " + std::to_string(host.waitDepth) + "\n";
    const size_t partial = tree.GetCount();
    out += partial >= 1 && partial < 1u + kFiles ? std::string("partial\n")
                                                 : "count " + std::to_string(partial) + "\n";
    for (HTREEITEM c = tree.GetChildItem(tree.GetRootItem()); c; c = tree.GetNextSiblingItem(c))
      if (!tree.GetItemData(c) || tree.GetStateImage(c) != 1) out += "broken node\n";

    frame.ToggleSelect(tree.GetRootItem());
    tree.DeleteAllItems();
    out += "after clearing " + std::to_string(frame.m_nMarkedFiles) + "\n";
    host.folders.push_back(fast.Path());
    frame.OnCommand(ID_FILE_NEW);
    out += "rescanned " + std::to_string(tree.GetCount()) + "\n";
  }
  const std::string expected = "Out of memory.\nwait 0\npartial\nafter clearing 0\nrescanned " +
                               std::to_string(kFiles + 1) + "\n";
  std::fputs(out.c_str(), stderr);
  std::_Exit(out == expected ? 0 : 1);
}

// The failure must reach the command's guard and leave a tree whose every
// node is whole, and the frame must go on working. The scan runs in a fresh
// process: one that has already held a large tree keeps enough free memory
// to scan without asking the system for more.
TEST(ScanOutOfMemoryTest, RealAllocationFailureLeavesAWorkingFrame) {
  if (kSanitized) GTEST_SKIP() << kSanitizedSkip;
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ScanWithTooLittleMemory(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace scan_test
