// libFuzzer target for the tree-file reader. The input is written to a file
// and opened the way File Open does (CMainFrame::LoadTree), so the bytes go
// through the real file layer, stream, records, reader and tree control.
// After each read:
//   - the totals are the sum over file nodes showing the marked state image;
//   - the whole tree, saved by File Save's writer and read again, is the
//     same tree (labels cut to the saved length), with no message;
//   - one branch of it, saved as Save Branch does, reads back as its
//     ancestors and its subtree;
//   - clearing the trees brings the totals back to zero;
//   - ztr-tool's streamed reader, for a file in tree order, gives the same
//     nodes (it cannot know the has-children flag ahead).
// Any difference aborts with a message. Leaks of data records are caught by
// the leak checker, as sanitizer builds give each record its own block.
//
// The files live in a folder of /dev/shm (when there is one): the writer
// syncs every save to the disk, which on tmpfs costs nothing.
#include "tree_fuzzing.h"

namespace {

using namespace tree_fuzzing;

// A node at this depth is written with level kMaxNestLevels in a whole-tree
// file (top-level nodes go out with level 1), which the reader refuses.
constexpr int kDeepestWholeTreeDepth = kMaxNestLevels - 2;

// A saved label keeps at most kMaxSavedLabel bytes; the cut may drop up to
// three more so as not to split a UTF-8 character.
bool SameSavedLabel(const std::string& original, const std::string& reread) {
  if (original.size() <= kMaxSavedLabel) return reread == original;
  return reread.size() <= kMaxSavedLabel && reread.size() + 3 >= kMaxSavedLabel &&
         original.compare(0, reread.size(), reread) == 0;
}

void CheckSameNode(const Node& original, const Node& reread, int depthShift = 0) {
  Check(reread.depth == original.depth + depthShift, "a node moved to another depth");
  if (!SameSavedLabel(original.label, reread.label))
    Fail("a label changed", "'" + original.label + "' became '" + reread.label + "'");
  Check(reread.stateImage == original.stateImage, "a state image changed");
  Check(reread.image == original.image && reread.selectedImage == original.selectedImage,
        "an image changed");
  Check(reread.children == original.children, "a has-children flag changed");
  Check(reread.data.has_value() == original.data.has_value(), "a data record came or went");
  Check(!reread.data || *reread.data == *original.data, "a data record's fields changed");
}

// The whole tree saved and read again. A tree whose nodes reach
// kDeepestWholeTreeDepth + 1 writes those nodes with a level the reader
// refuses: the second read then stops at the first of them with the
// nest-level message, and everything before it must be the same.
void CheckWholeTreeRoundTrip(CMainFrame& frame, const std::vector<Node>& nodes,
                             const Scratch& scratch) {
  const std::string path = scratch.Path("whole.ztr");
  MustSucceed("saving the whole tree failed", [&] { frame.SaveTree(path, nullptr); });
  Check(!frame.m_bModified, "a saved tree still counts as modified");

  RecordingHost host;
  NullProfileStore profile;
  CMainFrame again(host, profile);
  MustSucceed("reading the saved tree failed", [&] { again.LoadTree(path); });
  const std::vector<Node> reread = PreOrder(again.Tree());
  CheckTotals(again, reread);

  size_t expected = nodes.size();
  for (size_t i = 0; i < nodes.size(); ++i)
    if (nodes[i].depth > kDeepestWholeTreeDepth) {
      expected = i;
      break;
    }
  if (host.messages.empty()) {
    Check(reread.size() == nodes.size(), "the saved tree read back with another node count");
  } else {
    Check(expected < nodes.size(), "a nest-level message reading a tree this program wrote");
    CheckOnlyNestMessage(host, 1);
    Check(reread.size() == expected, "the saved tree did not read back up to its deepest node");
  }
  for (size_t i = 0; i < reread.size(); ++i) CheckSameNode(nodes[i], reread[i]);

  again.Tree().DeleteAllItems();
  Check(again.m_nMarkedFiles == 0 && again.m_nMarkedBytes == 0,
        "totals not zero after clearing the reread tree");
}

// One branch saved and read again: its ancestors, each alone, then the
// branch node and its subtree, all at their own depths. Branch files count
// top-level nodes as level 0, so every tree the reader makes can be saved
// this way.
void CheckBranchRoundTrip(CMainFrame& frame, const std::vector<Node>& nodes, size_t at,
                          const Scratch& scratch) {
  const std::string path = scratch.Path("branch.ztr");
  MustSucceed("saving a branch failed", [&] { frame.SaveTree(path, nodes[at].handle); });

  std::vector<const Node*> expected;
  for (size_t i = at, depth = static_cast<size_t>(nodes[at].depth); depth > 0 && i-- > 0;)
    if (static_cast<size_t>(nodes[i].depth) == depth - 1) {
      expected.insert(expected.begin(), &nodes[i]);
      --depth;
    }
  expected.push_back(&nodes[at]);
  for (size_t i = at + 1; i < nodes.size() && nodes[i].depth > nodes[at].depth; ++i)
    expected.push_back(&nodes[i]);

  RecordingHost host;
  NullProfileStore profile;
  CMainFrame again(host, profile);
  MustSucceed("reading the saved branch failed", [&] { again.LoadTree(path); });
  Check(host.messages.empty(), "a message box reading a branch this program wrote");
  const std::vector<Node> reread = PreOrder(again.Tree());
  CheckTotals(again, reread);
  Check(reread.size() == expected.size(), "the saved branch read back with another node count");
  for (size_t i = 0; i < reread.size(); ++i) CheckSameNode(*expected[i], reread[i]);
}

// Which node's branch to save: any, chosen by the input so that all get a turn.
size_t PickNode(const uint8_t* data, size_t size, size_t count) {
  uint64_t h = 1469598103934665603u ^ size;
  for (size_t i = 0; i < size && i < 64; ++i) h = (h ^ data[size - 1 - i]) * 1099511628211u;
  return static_cast<size_t>(h % count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch("fuzz_tree_reader");
  const std::string input = scratch.WriteInput("input.ztr", data, size);
  RecordedFrame first;
  CMainFrame& frame = first.frame;
  const std::vector<Node> nodes = ReadAndCheck(frame, first.host, input);

  CheckWholeTreeRoundTrip(frame, nodes, scratch);
  if (!nodes.empty())
    CheckBranchRoundTrip(frame, nodes, PickNode(data, size, nodes.size()), scratch);
  // Saving only borrows the records: the tree and its totals are as they were.
  CheckTotals(frame, PreOrder(frame.Tree()));
  CheckClearing(frame);
  return 0;
}
