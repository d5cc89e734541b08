// A catalogue held for a comparison only: per node its name, whether it is a
// file or a folder not entered, a file's size and last-write time, and the
// links to its first child and next sibling. ztr-tool diff reads both sides
// into this form straight from their records: 32 bytes a node and the names,
// in large blocks filled once and never moved, where the window's tree keeps
// all a view and its edits need.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/large_block.h"
#include "tree/nest_limit.h"
#include "tree/tree_ctrl.h"

class FlatCatalogue {
 public:
  using Node = uint32_t;  // 0 is none; the top-level nodes are its children

  FlatCatalogue();

  // Adds a node where the tree reader puts a record of this level: as the
  // last child of the last node added at the level above, or at the top when
  // there was none. `data` is a file's record, null for a folder.
  void Add(int level, std::string_view label, int stateImage, const CTreeItemData* data);
  // Adds a whole tree, in its order.
  void AddTree(const CTreeCtrl& tree);

  Node FirstChild(Node parent) const {
    const Entry& e = At(parent);
    if (!(e.nameLength & kFileBit)) return e.folder.firstChild;
    if (m_fileChildren.empty()) return 0;
    const auto found = m_fileChildren.find(parent);
    return found != m_fileChildren.end() ? found->second : 0;
  }
  Node NextSibling(Node node) const { return At(node).nextSibling; }
  // A folder's label (a file keeps only its name).
  std::string_view Label(Node node) const {
    const Entry& e = At(node);
    return IsFile(node) ? Name(node) : std::string_view(e.text, e.folder.labelLength);
  }
  // The name it is matched by, as CompareName gives it for the tree's node.
  std::string_view Name(Node node) const {
    const Entry& e = At(node);
    return {e.text, e.nameLength & ~kFileBit};
  }
  bool IsFile(Node node) const { return (At(node).nameLength & kFileBit) != 0; }
  bool IsUnreadable(Node node) const { return !IsFile(node) && At(node).folder.unreadable; }
  int64_t FileSize(Node node) const { return At(node).file.size; }
  FILETIME LastWrite(Node node) const { return At(node).file.lastWrite; }

 private:
  static constexpr uint32_t kFileBit = uint32_t{1} << 31;  // in nameLength
  struct Entry {
    const char* text;  // the name, the whole label for a folder
    uint32_t nameLength;
    Node nextSibling;
    union {
      struct {
        int64_t size;
        FILETIME lastWrite;
      } file;
      struct {
        Node firstChild;
        uint32_t labelLength;
        bool unreadable;
      } folder;
    };
  };
  // 32 bytes a node on a 64-bit system: a block holds a power of two.
  static constexpr size_t kBlockNodes = kLargeBlockBytes / sizeof(Entry);

  const Entry& At(Node node) const {
    return static_cast<const Entry*>(m_blocks[node / kBlockNodes].get())[node % kBlockNodes];
  }
  Entry& At(Node node) {
    return static_cast<Entry*>(m_blocks[node / kBlockNodes].get())[node % kBlockNodes];
  }
  // A lasting copy of the text.
  const char* Keep(std::string_view text);
  void SetFirstChild(Node parent, Node child);

  std::vector<LargeBlock> m_blocks;  // node 0 stands above the top-level nodes
  Node m_count = 0;
  std::vector<LargeBlock> m_texts;
  size_t m_textUsed = kLargeBlockBytes;              // bytes of the last of m_texts
  std::vector<std::unique_ptr<char[]>> m_longTexts;  // one each
  // The children of files, which only a file edited by hand gives.
  std::unordered_map<Node, Node> m_fileChildren;
  // The last node added at each level, and the last child added below it.
  std::array<Node, kMaxNestLevels> m_lastAtLevel{};
  std::array<Node, kMaxNestLevels> m_lastChildAtLevel{};
  Node m_lastTop = 0;
};
