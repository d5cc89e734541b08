// Reads a tree file one record at a time, without building the tree: a table
// of the last record read at each level (at most 200, as in the window's
// reader) tells each record's depth and the labels above it, so memory does
// not grow with the catalogue. For every file this program writes, the
// records come in the order of the tree (each node before its children), so
// a listing in record order is the tree's listing.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "files/node_record.h"
#include "files/tree_reader.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

class CArchive;

// One node as the window would hold it once the record is inserted: the
// record's mask decides which members it takes, as the tree control does.
struct StreamedNode {
  std::string label;
  int depth = 0;  // 0 for a top-level node
  int stateImage = 0;
  int image = 0;
  int selectedImage = 0;
  int childrenFlag = -1;  // -1: the record does not say; else 0 or 1
  bool hasData = false;
  CTreeItemData data;

  // Copies every member (a data record cannot be copied as a whole).
  void CopyFrom(const StreamedNode& other);
  // Takes a node of a loaded tree, so a whole tree reads like a stream.
  void ReadFrom(const CTreeCtrl& tree, HTREEITEM item, int nodeDepth);
};

class CTreeRecordStream {
 public:
  explicit CTreeRecordStream(CArchive& ar) : m_ar(ar) {}

  // Reads the next record; false at the end of the records (the end of the
  // file or a negative level), at a record too deep for the level table or
  // once the file ended inside a record, which End() then tells. Read failures throw, as for the
  // window.
  bool Next();
  TreeReadEnd End() const { return m_end; }
  const StreamedNode& Node() const { return m_node; }
  // The level the record was stored at: its parent is the last record read
  // at the level above, if any (Node().depth is where it ends up).
  int Level() const { return m_nLevel; }

  // Whether the node is the child of the node read just before it.
  bool ParentIsPrevious() const { return m_bParentIsPrevious; }
  // Whether the tree's pre-order puts this node right after the nodes read
  // so far. Only a file edited by hand breaks this: a record whose parent
  // was read before a shallower record.
  bool InTreeOrder() const { return m_bInTreeOrder; }

  // The labels of the node's ancestors, the top-level one first.
  void GetAncestorLabels(std::vector<std::string_view>& labels) const;

 private:
  struct Slot {
    std::string label;
    int depth = -1;               // -1: no record read at this level yet
    bool underSlotAbove = false;  // the parent is the record in the slot above
    // Set once that record was replaced: the labels above, top first.
    bool detached = false;
    std::vector<std::string> detachedAncestors;
  };

  bool IsInTreeOrder(int level) const;
  void Detach(int level);
  void TakeRecord(int level);

  CArchive& m_ar;
  NodeRecordHead m_head;  // the last record read, for one cut short
  StreamedNode m_node;
  TreeReadEnd m_end = TreeReadEnd::endOfRecords;
  std::array<Slot, kMaxNestLevels> m_slots;
  int m_nLevel = -1;  // the current record's level
  bool m_bCutShort = false;
  bool m_bParentIsPrevious = false;
  bool m_bInTreeOrder = true;
};
