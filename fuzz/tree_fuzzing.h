// What the fuzz targets of tree files share: a scratch folder for the
// input and the saved files, the tree as the window would show it, and the
// checks every read must pass. Any difference aborts with a message.
#pragma once

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

namespace tree_fuzzing {

inline constexpr char kNestMessage[] = "Maximum directory nest level exceeded!";

[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
  std::fprintf(stderr, "fuzz target: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
  std::abort();
}

inline void Check(bool ok, const char* what) {
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
inline std::vector<Node> PreOrder(const CTreeCtrl& tree) {
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
inline void CheckTotals(const CMainFrame& frame, const std::vector<Node>& nodes) {
  uint64_t bytes = 0;
  int32_t files = 0;
  for (const Node& n : nodes)
    if (n.data && CountsAsMarked(n.stateImage))
      bytes += static_cast<uint64_t>(n.data->size), ++files;
  Check(frame.m_nMarkedFiles == files, "marked files differ from the marked file nodes");
  Check(static_cast<uint64_t>(frame.m_nMarkedBytes) == bytes,
        "marked bytes differ from the sizes of the marked file nodes");
}

// Only the nest-level message, or for a file that may be cut short (cutFile)
// the message of an end inside a record.
inline void CheckOnlyNestMessage(const RecordingHost& host, size_t allowed,
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
  explicit Scratch(const std::string& target) {
    std::error_code ec;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                           ? "/dev/shm"
                                           : std::filesystem::temp_directory_path();
    std::string pattern = (base / (target + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) Fail("cannot create a scratch folder");
    m_dir = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::string Path(const char* name) const { return m_dir + "/" + name; }

  // Writes the fuzzer's input to the file `name` and returns its path.
  std::string WriteInput(const char* name, const uint8_t* data, size_t size) const {
    const std::string path = Path(name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) Fail("cannot write the input file");
    while (size > 0) {
      const ssize_t n = ::write(fd, data, size);
      if (n <= 0) Fail("cannot write the input file");
      data += n;
      size -= static_cast<size_t>(n);
    }
    ::close(fd);
    return path;
  }

 private:
  std::string m_dir;
};

// A frame over a host that records its messages, as each read needs afresh.
struct RecordedFrame {
  RecordingHost host;
  NullProfileStore profile;
  CMainFrame frame{host, profile};
};

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

// The input read record by record, as ztr-tool list and find read it. Only
// a file wholly in tree order streams in the tree's pre-order (ztr-tool
// reads any other into a tree).
inline void CheckStreamedRead(const std::string& input, const std::vector<Node>& nodes) {
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

// The input read as File Open reads it (CMainFrame::LoadTree): no message
// but the nest-level one or that of an end inside a record, totals that follow the state images,
// and the same nodes when read record by record. Returns the tree's nodes in pre-order.
inline std::vector<Node> ReadAndCheck(CMainFrame& frame, const RecordingHost& host,
                                      const std::string& input) {
  MustSucceed("reading the input failed", [&] { frame.LoadTree(input); });
  CheckOnlyNestMessage(host, 1, input);
  std::vector<Node> nodes = PreOrder(frame.Tree());
  Check(nodes.size() == frame.Tree().GetCount(), "the walk and the tree count differ");
  for (const Node& n : nodes) Check(n.depth < kMaxNestLevels, "a node deeper than any level");
  CheckTotals(frame, nodes);
  CheckStreamedRead(input, nodes);
  return nodes;
}

// Clearing the tree frees every node and brings the totals back to zero.
inline void CheckClearing(CMainFrame& frame) {
  frame.Tree().DeleteAllItems();
  Check(frame.Tree().GetCount() == 0, "nodes left after clearing");
  Check(frame.m_nMarkedFiles == 0 && frame.m_nMarkedBytes == 0,
        "totals not zero after clearing the tree");
}

}  // namespace tree_fuzzing
