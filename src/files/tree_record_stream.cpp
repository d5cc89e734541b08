#include "files/tree_record_stream.h"

#include <algorithm>

void StreamedNode::CopyFrom(const StreamedNode& other) {
  label = other.label;
  depth = other.depth;
  stateImage = other.stateImage;
  image = other.image;
  selectedImage = other.selectedImage;
  childrenFlag = other.childrenFlag;
  hasData = other.hasData;
  data = other.data;
}

bool CTreeRecordStream::Next() {
  // Read in place: the label straight into the node, the data part straight
  // into the node's record, as CTreeItem::Serialize would read them.
  NodeRecordHead& head = m_head;
  if (ReadNodeRecordHead(m_ar, m_node.label, head) && head.hasData &&
      !ReadDataPart(m_ar, m_node.data))
    head.cutShort = true;
  // A record cut inside its display or data part is still a node; the end
  // is told at the next call, which finds nothing more.
  if (head.cutShort) m_bCutShort = true;
  const int level = head.level;
  if (level < 0 || level >= kMaxNestLevels) {
    m_end = level >= 0    ? TreeReadEnd::nestLimit
            : m_bCutShort ? TreeReadEnd::cutShort
                          : TreeReadEnd::endOfRecords;
    return false;
  }
  const int previous = m_nLevel;
  m_bInTreeOrder = IsInTreeOrder(level);
  m_bParentIsPrevious = level > 0 && previous == level - 1 && m_slots[level - 1].depth >= 0;
  if (m_slots[level].depth >= 0 && level + 1 < kMaxNestLevels) Detach(level + 1);

  // What the tree control keeps of a record (see CTreeCtrl::InsertItem and
  // ReadTree): each member only under its mask bit, the state only in its
  // state-image bits, a data record whatever the mask.
  if (!(head.mask & TVIF_TEXT)) m_node.label.clear();
  TakeRecord(level);
  m_node.depth = m_slots[level].depth;
  m_node.image = (head.mask & TVIF_IMAGE) ? head.image : 0;
  m_node.selectedImage = (head.mask & TVIF_SELECTEDIMAGE) ? head.selectedImage : 0;
  m_node.stateImage =
      (head.mask & TVIF_STATE)
          ? static_cast<int>(STATEIMAGEINDEX(head.state & head.stateMask & TVIS_STATEIMAGEMASK))
          : 0;
  m_node.childrenFlag = (head.mask & TVIF_CHILDREN) ? (head.children != 0 ? 1 : 0) : -1;
  m_node.hasData = head.hasData;
  return true;
}

// A top-level node always comes last in the tree so far; any other node must
// hang below the previous node or one of its ancestors.
bool CTreeRecordStream::IsInTreeOrder(int level) const {
  if (level == 0 || m_slots[level - 1].depth < 0) return true;
  if (m_nLevel < level - 1) return false;
  for (int k = m_nLevel; k >= level; --k) {
    const Slot& slot = m_slots[k];
    if (!slot.underSlotAbove || slot.detached) return false;
  }
  return true;
}

// The record at this level hangs below the record about to be replaced one
// level up: it keeps its ancestors' labels, since a later record at the next
// level still finds it as its parent.
void CTreeRecordStream::Detach(int level) {
  Slot& slot = m_slots[level];
  if (slot.depth < 0 || !slot.underSlotAbove || slot.detached) return;
  std::vector<std::string_view> labels;
  m_nLevel = level;  // GetAncestorLabels starts at the current level
  GetAncestorLabels(labels);
  slot.detachedAncestors.assign(labels.begin(), labels.end());
  slot.detached = true;
}

void CTreeRecordStream::TakeRecord(int level) {
  Slot& slot = m_slots[level];
  slot.label.assign(m_node.label);
  slot.underSlotAbove = level > 0 && m_slots[level - 1].depth >= 0;
  slot.depth = slot.underSlotAbove ? m_slots[level - 1].depth + 1 : 0;
  slot.detached = false;
  slot.detachedAncestors.clear();
  m_nLevel = level;
}

void CTreeRecordStream::GetAncestorLabels(std::vector<std::string_view>& labels) const {
  labels.clear();
  if (m_nLevel < 0) return;
  for (int k = m_nLevel;; --k) {
    const Slot& slot = m_slots[k];
    if (slot.detached) {
      labels.insert(labels.end(), slot.detachedAncestors.rbegin(), slot.detachedAncestors.rend());
      break;
    }
    if (!slot.underSlotAbove) break;
    labels.push_back(m_slots[k - 1].label);
  }
  std::reverse(labels.begin(), labels.end());
}

void StreamedNode::ReadFrom(const CTreeCtrl& tree, HTREEITEM item, int nodeDepth) {
  TVITEM tv;
  tv.hItem = item;
  tv.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  tree.GetItem(tv);
  label.assign(tree.GetItemText(item));
  depth = nodeDepth;
  stateImage = tree.GetStateImage(item);
  image = tv.iImage;
  selectedImage = tv.iSelectedImage;
  hasData = tv.lParam != nullptr;
  if (tv.lParam) data = *tv.lParam;
}
