#include "compare/flat_catalogue.h"

#include <cstring>
#include <stdexcept>

#include "tree/file_label.h"
#include "tree/tree_item.h"
#include "tree/tree_walk.h"

FlatCatalogue::FlatCatalogue() {
  m_blocks.push_back(AllocateLargeBlock(kLargeBlockBytes));
  Entry& root = At(0);
  root.text = "";
  root.nameLength = 0;
  root.nextSibling = 0;
  root.folder = {0, 0, false};
  m_count = 1;
}

const char* FlatCatalogue::Keep(std::string_view text) {
  if (text.empty()) return "";
  char* kept;
  if (text.size() > kLargeBlockBytes / 16) {
    // A long text gets memory of its own, so little of a block goes unused.
    kept = m_longTexts.emplace_back(std::make_unique_for_overwrite<char[]>(text.size())).get();
  } else {
    if (kLargeBlockBytes - m_textUsed < text.size()) {
      m_texts.push_back(AllocateLargeBlock(kLargeBlockBytes));
      m_textUsed = 0;
    }
    kept = static_cast<char*>(m_texts.back().get()) + m_textUsed;
    m_textUsed += text.size();
  }
  std::memcpy(kept, text.data(), text.size());
  return kept;
}

void FlatCatalogue::SetFirstChild(Node parent, Node child) {
  Entry& e = At(parent);
  if (e.nameLength & kFileBit) {
    m_fileChildren[parent] = child;
  } else {
    e.folder.firstChild = child;
  }
}

void FlatCatalogue::Add(int level, std::string_view label, int stateImage,
                        const CTreeItemData* data) {
  if (m_count == UINT32_MAX) throw std::length_error("too many nodes to compare");
  const Node node = m_count;
  if (node / kBlockNodes == m_blocks.size())
    m_blocks.push_back(AllocateLargeBlock(kLargeBlockBytes));
  // The name is the start of the label.
  const std::string_view name = data != nullptr ? FileLabelName(label, data->m_nFileSize)
                                : stateImage == kStateUnreadable ? SplitUnreadableLabel(label).name
                                                                 : label;
  if (label.size() >= kFileBit) throw std::length_error("a name too long to compare");
  Entry& entry = At(node);
  entry.nameLength = static_cast<uint32_t>(name.size());
  entry.nextSibling = 0;
  if (data != nullptr) {
    entry.nameLength |= kFileBit;
    entry.file = {data->m_nFileSize, data->m_ftLastWrite};
    entry.text = Keep(name);
  } else {
    entry.folder = {0, static_cast<uint32_t>(label.size()), stateImage == kStateUnreadable};
    entry.text = Keep(label);
  }
  ++m_count;

  const bool under = level > 0 && m_lastAtLevel[level - 1] != 0;
  Node& previous = under ? m_lastChildAtLevel[level - 1] : m_lastTop;
  if (previous != 0) {
    At(previous).nextSibling = node;
  } else {
    SetFirstChild(under ? m_lastAtLevel[level - 1] : 0, node);
  }
  previous = node;
  m_lastAtLevel[level] = node;
  m_lastChildAtLevel[level] = 0;
}

void FlatCatalogue::AddTree(const CTreeCtrl& tree) {
  WalkBranch(tree, nullptr, -1, true, [&](HTREEITEM item, int depth) {
    Add(depth, tree.GetItemText(item), tree.GetStateImage(item), tree.GetItemData(item));
  });
}
