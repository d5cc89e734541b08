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
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/main_frame.h"
#include "app/null_frame_host.h"
#include "files/archive.h"
#include "files/file.h"
#include "files/file_exception.h"
#include "files/tree_file_limits.h"
#include "files/tree_reader.h"
#include "files/tree_record_stream.h"
#include "tree/tree_item.h"

namespace {

constexpr char kNestMessage[] = "Maximum directory nest level exceeded!";
// A node at this depth is written with level kMaxNestLevels in a whole-tree
// file (top-level nodes go out with level 1), which the reader refuses.
constexpr int kDeepestWholeTreeDepth = kMaxNestLevels - 2;

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz_tree_reader: %s%s%s\n", what, detail.empty() ? "" : ": ",
               detail.c_str());
  std::abort();
}

void Check(bool ok, const char* what) {
  if (!ok) Fail(what);
}

struct ShownMessage {
  std::string text, caption;
  UINT type;
};

// Records message boxes and answers every dialog with Cancel.
class RecordingHost : public NullFrameHost {
 public:
  std::vector<ShownMessage> messages;

  int MessageBox(std::string_view text, std::string_view caption, UINT type) override {
    messages.push_back({std::string(text), std::string(caption), type});
    return NullFrameHost::MessageBox(text, caption, type);
  }
};

struct Data {
  int64_t size;
  DWORD attributes;
  uint64_t creation, lastAccess, lastWrite;
  bool operator==(const Data&) const = default;
};

// One node as the window would show it, in pre-order.
struct Node {
  HTREEITEM handle = nullptr;
  int depth = 0;
  std::string label;
  int stateImage = 0;
  int image = 0, selectedImage = 0;
  bool children = false;
  std::optional<Data> data;
};

// Iterative, over the tree's own links, so no depth can exhaust the stack.
std::vector<Node> PreOrder(const CTreeCtrl& tree) {
  std::vector<Node> nodes;
  int depth = 0;
  for (HTREEITEM cur = tree.GetRootItem(); cur;) {
    Node n;
    n.handle = cur;
    n.depth = depth;
    n.label = tree.GetItemText(cur);
    n.stateImage = tree.GetStateImage(cur);
    tree.GetItemImage(cur, n.image, n.selectedImage);
    n.children = tree.ItemHasChildren(cur);
    if (const CTreeItemData* d = tree.GetItemData(cur))
      n.data = Data{d->m_nFileSize, d->m_dwAttributes, FileTimeToU64(d->m_ftCreation),
                    FileTimeToU64(d->m_ftLastAccess), FileTimeToU64(d->m_ftLastWrite)};
    nodes.push_back(std::move(n));
    if (HTREEITEM child = tree.GetChildItem(cur)) {
      cur = child;
      ++depth;
      continue;
    }
    while (cur && !tree.GetNextSiblingItem(cur)) {
      cur = tree.GetParentItem(cur);
      --depth;
    }
    if (cur) cur = tree.GetNextSiblingItem(cur);
  }
  return nodes;
}

// The totals must follow the state images exactly. Summed with wrap-around,
// as sizes from a file can be anything.
void CheckTotals(const CMainFrame& frame, const std::vector<Node>& nodes) {
  uint64_t bytes = 0;
  int32_t files = 0;
  for (const Node& n : nodes)
    if (n.data && CountsAsMarked(n.stateImage))
      bytes += static_cast<uint64_t>(n.data->size), ++files;
  Check(frame.m_nMarkedFiles == files, "marked files differ from the marked file nodes");
  Check(static_cast<uint64_t>(frame.m_nMarkedBytes) == bytes,
        "marked bytes differ from the sizes of the marked file nodes");
}

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

// Only the nest-level message, or for a file that may be cut short (cutFile)
// the message of an end inside a record.
void CheckOnlyNestMessage(const RecordingHost& host, size_t allowed,
                          const std::string& cutFile = {}) {
  Check(host.messages.size() <= allowed, "more message boxes than one nest-level message");
  for (const ShownMessage& m : host.messages) {
    if (m.text != kNestMessage &&
        (cutFile.empty() || m.text != TreeReadEndText(TreeReadEnd::cutShort, cutFile)))
      Fail("unexpected message box", m.text);
    Check(m.caption == "File Open" && m.type == (MB_OK | MB_ICONEXCLAMATION),
          "nest-level message with the wrong caption or icon");
  }
}

// A folder of this process's own for the input and the saved files.
class Scratch {
 public:
  Scratch() {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / "fuzz_tree_reader-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot create a scratch folder");
    m_dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::string Path(const char* name) const { return m_dir + "/" + name; }

 private:
  std::string m_dir;
};

void WriteInput(const std::string& path, const uint8_t* data, size_t size) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("cannot write the input file");
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) Fail("cannot write the input file");
    data += n;
    size -= static_cast<size_t>(n);
  }
  ::close(fd);
}

template <class Action>
void MustSucceed(const char* what, Action&& action) {
  try {
    action();
  } catch (const CFileException& e) {
    Fail(what, e.GetErrorMessage());
  } catch (const std::exception& e) {
    Fail(what, e.what());
  } catch (...) {
    Fail(what, "unknown exception");
  }
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

// The input read record by record, as ztr-tool list and find read it. Only
// a file wholly in tree order streams in the tree's pre-order (ztr-tool
// reads any other into a tree).
void CheckStreamedRead(const std::string& input, const std::vector<Node>& nodes) {
  std::vector<Node> streamed;
  bool inTreeOrder = true;
  MustSucceed("streaming the input failed", [&] {
    CFile file;
    file.OpenRead(input);
    CArchive ar(file, CArchive::load, CArchive::kLargeBufferSize);
    for (CTreeRecordStream records(ar); records.Next();) {
      inTreeOrder = inTreeOrder && records.InTreeOrder();
      const StreamedNode& s = records.Node();
      Node& n = streamed.emplace_back();
      n.depth = s.depth;
      n.label = s.label;
      n.stateImage = s.stateImage;
      n.image = s.image;
      n.selectedImage = s.selectedImage;
      if (s.hasData)
        n.data = Data{s.data.m_nFileSize, s.data.m_dwAttributes, FileTimeToU64(s.data.m_ftCreation),
                      FileTimeToU64(s.data.m_ftLastAccess), FileTimeToU64(s.data.m_ftLastWrite)};
    }
  });
  Check(streamed.size() == nodes.size(), "the stream and the tree have other node counts");
  if (!inTreeOrder) return;
  for (size_t i = 0; i < nodes.size(); ++i) {
    const Node &s = streamed[i], &n = nodes[i];
    Check(s.depth == n.depth && s.label == n.label, "the stream gives another depth or label");
    Check(s.stateImage == n.stateImage && s.image == n.image && s.selectedImage == n.selectedImage,
          "the stream gives another state or image");
    Check(s.data == n.data, "the stream gives another data record");
  }
}

// Which node's branch to save: any, chosen by the input so that all get a turn.
size_t PickNode(const uint8_t* data, size_t size, size_t count) {
  uint64_t h = 1469598103934665603u ^ size;
  for (size_t i = 0; i < size && i < 64; ++i) h = (h ^ data[size - 1 - i]) * 1099511628211u;
  return static_cast<size_t>(h % count);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Scratch scratch;
  const std::string input = scratch.Path("input.ztr");
  WriteInput(input, data, size);

  RecordingHost host;
  NullProfileStore profile;
  CMainFrame frame(host, profile);
  MustSucceed("reading the input failed", [&] { frame.LoadTree(input); });
  CheckOnlyNestMessage(host, 1, input);
  const std::vector<Node> nodes = PreOrder(frame.Tree());
  Check(nodes.size() == frame.Tree().GetCount(), "the walk and the tree count differ");
  for (const Node& n : nodes) Check(n.depth < kMaxNestLevels, "a node deeper than any level");
  CheckTotals(frame, nodes);
  CheckStreamedRead(input, nodes);

  CheckWholeTreeRoundTrip(frame, nodes, scratch);
  if (!nodes.empty())
    CheckBranchRoundTrip(frame, nodes, PickNode(data, size, nodes.size()), scratch);
  // Saving only borrows the records: the tree and its totals are as they were.
  CheckTotals(frame, PreOrder(frame.Tree()));

  frame.Tree().DeleteAllItems();
  Check(frame.Tree().GetCount() == 0, "nodes left after clearing");
  Check(frame.m_nMarkedFiles == 0 && frame.m_nMarkedBytes == 0,
        "totals not zero after clearing the tree");
  return 0;
}
