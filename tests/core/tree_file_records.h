// Tree file records built and taken apart byte by byte, independently of the
// program's own writer and reader, and a frame to load them into.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/main_frame.h"
#include "support/scratch_folder.h"
#include "support/scripted_host.h"
#include "support/tree_builder.h"
#include "tree/tree_item.h"

namespace tree_file_test {

struct DataPart {
  uint32_t attributes = 0;
  int64_t size = 0;
  uint64_t creation = 0;
  uint64_t lastAccess = 0;
  uint64_t lastWrite = 0;
  bool operator==(const DataPart&) const = default;
};

// Display-part words by position.
enum Word {
  kMask,
  kHItem,
  kState,
  kStateMask,
  kPszText,
  kCch,
  kImage,
  kSelImage,
  kChildren,
  kParam
};

struct Record {
  std::string name;
  int32_t level = 1;
  std::array<uint32_t, 10> words{0x6F, 0, 0x1000, 0xF000, 0, 0, 1, 2, 0, 0};
  std::optional<DataPart> data;  // written when words[kParam] != 0
};

inline Record Folder(std::string name, int32_t level, uint32_t stateImage = 1, int children = 0) {
  Record r;
  r.name = std::move(name);
  r.level = level;
  r.words[kState] = stateImage << 12;
  r.words[kChildren] = static_cast<uint32_t>(children);
  return r;
}

inline Record File(std::string name, int32_t level, int64_t size, uint32_t stateImage = 1) {
  Record r = Folder(std::move(name), level, stateImage);
  r.words[kImage] = r.words[kSelImage] = 5;
  r.words[kParam] = 1;
  r.data = DataPart{0x20, size, 0x01C2C9DCDF87C400, 0x01C2C9DCDF87C401, 0x01C2C9DCDF87C402};
  return r;
}

inline void Put(Bytes& out, uint64_t v, int n) {
  for (int i = 0; i < n; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

inline Bytes LengthPrefix(size_t n) {
  Bytes out;
  if (n < 255) {
    Put(out, n, 1);
  } else if (n < 0xFFFE) {
    Put(out, 0xFF, 1);
    Put(out, n, 2);
  } else {
    Put(out, 0xFF, 1);
    Put(out, 0xFFFF, 2);
    Put(out, n, 4);
  }
  return out;
}

inline Bytes DataBytes(const DataPart& d) {
  Bytes out;
  Put(out, d.attributes, 4);
  Put(out, static_cast<uint64_t>(d.size), 8);
  Put(out, d.creation, 8);
  Put(out, d.lastAccess, 8);
  Put(out, d.lastWrite, 8);
  return out;
}

// The record without its name, for records whose name is built by hand.
inline Bytes TailBytes(const Record& r) {
  Bytes out;
  Put(out, static_cast<uint32_t>(r.level), 4);
  for (uint32_t w : r.words) Put(out, w, 4);
  if (r.words[kParam] != 0) {
    const Bytes data = DataBytes(r.data.value_or(DataPart{}));
    out.insert(out.end(), data.begin(), data.end());
  }
  return out;
}

inline Bytes RecordBytes(const Record& r) {
  Bytes out = LengthPrefix(r.name.size());
  out.insert(out.end(), r.name.begin(), r.name.end());
  const Bytes tail = TailBytes(r);
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

inline Bytes FileBytes(const std::vector<Record>& records) {
  Bytes out;
  for (const Record& r : records) {
    const Bytes b = RecordBytes(r);
    out.insert(out.end(), b.begin(), b.end());
  }
  return out;
}

inline uint64_t Get(const Bytes& in, size_t& at, int n) {
  if (at + static_cast<size_t>(n) > in.size()) throw std::out_of_range("record cut short");
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | in[at + static_cast<size_t>(i)];
  at += static_cast<size_t>(n);
  return v;
}

// Takes apart a well-formed file of byte-prefixed names; throws when it is not.
inline std::vector<Record> ParseRecords(const Bytes& in) {
  std::vector<Record> records;
  size_t at = 0;
  while (at < in.size()) {
    Record r;
    uint64_t n = Get(in, at, 1);
    if (n == 0xFF) {
      n = Get(in, at, 2);
      if (n == 0xFFFE) throw std::invalid_argument("writers never store UTF-16");
      if (n == 0xFFFF) n = Get(in, at, 4);
    }
    if (at + n > in.size()) throw std::out_of_range("name cut short");
    r.name.assign(reinterpret_cast<const char*>(in.data() + at), n);
    at += n;
    r.level = static_cast<int32_t>(Get(in, at, 4));
    for (uint32_t& w : r.words) w = static_cast<uint32_t>(Get(in, at, 4));
    if (r.words[kParam] != 0) {
      DataPart d;
      d.attributes = static_cast<uint32_t>(Get(in, at, 4));
      d.size = static_cast<int64_t>(Get(in, at, 8));
      d.creation = Get(in, at, 8);
      d.lastAccess = Get(in, at, 8);
      d.lastWrite = Get(in, at, 8);
      r.data = d;
    }
    records.push_back(std::move(r));
  }
  return records;
}

// One node of a loaded tree, as a test compares it.
struct Node {
  int depth;
  std::string label;
  int stateImage;
  int image;
  int selectedImage;
  bool children;
  std::optional<DataPart> data;
  bool operator==(const Node&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Node& n) {
  return os << "{" << n.depth << " '" << n.label << "' state " << n.stateImage << " images "
            << n.image << "/" << n.selectedImage << (n.children ? " +" : "")
            << (n.data ? " size " + std::to_string(n.data->size) : std::string()) << "}";
}

// Every node in pre-order.
inline std::vector<Node> Dump(const CTreeCtrl& tree) {
  std::vector<Node> nodes;
  std::vector<std::pair<HTREEITEM, int>> stack;
  for (HTREEITEM top = tree.GetRootItem(); top; top = tree.GetNextSiblingItem(top))
    stack.insert(stack.begin(), {top, 0});
  while (!stack.empty()) {
    auto [node, depth] = stack.back();
    stack.pop_back();
    Node n{depth,
           std::string(tree.GetItemText(node)),
           tree.GetStateImage(node),
           0,
           0,
           tree.ItemHasChildren(node),
           std::nullopt};
    tree.GetItemImage(node, n.image, n.selectedImage);
    if (const CTreeItemData* d = tree.GetItemData(node))
      n.data = DataPart{d->m_dwAttributes, d->m_nFileSize, FileTimeToU64(d->m_ftCreation),
                        FileTimeToU64(d->m_ftLastAccess), FileTimeToU64(d->m_ftLastWrite)};
    nodes.push_back(std::move(n));
    const std::vector<HTREEITEM> children = Children(tree, node);
    for (auto it = children.rbegin(); it != children.rend(); ++it)
      stack.push_back({*it, depth + 1});
  }
  return nodes;
}

// A frame with scripted answers and a scratch folder for its files.
class FrameFixture : public ::testing::Test, protected ScriptedFrame {
 protected:
  ScratchFolder folder;

  // Loads the bytes as File Open would after its dialog, through the
  // command's failure reporting.
  void Load(const Bytes& bytes, const std::string& name = "in.ztr") {
    const std::string path = folder / name;
    WriteWholeFile(path, bytes);
    frame.RunGuarded([&] { frame.LoadTree(path); }, CommandSource::Menu);
  }

  // The totals as they must be: the sum over file nodes showing the tick.
  std::pair<int64_t, int32_t> MarkedByWalk() const {
    int64_t bytes = 0;
    int32_t files = 0;
    for (const Node& n : Dump(tree))
      if (n.data && n.stateImage == 2) bytes += n.data->size, ++files;
    return {bytes, files};
  }
  void ExpectTotalsFollowTheMarks() const {
    EXPECT_EQ(std::make_pair(frame.m_nMarkedBytes, frame.m_nMarkedFiles), MarkedByWalk());
  }
};

}  // namespace tree_file_test
