// The two records that carry what the tree control itself cannot hold.
//
// CTreeItemData: the details of one file (size, attributes, three times),
// owned by its node through the node's item data. Folders have none; that is
// how a file node is told from a folder node.
//
// CTreeItem: a short-lived copy of one node, used only to move nodes to and
// from tree files. It never owns a data record.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win_types.h"
#include "tree/tree_ctrl.h"

class CArchive;

class CTreeItemData {
 public:
  CTreeItemData() = default;
  CTreeItemData(const CTreeItemData&) = delete;
  CTreeItemData& operator=(const CTreeItemData&) = delete;

  // Stores or loads the 36-byte data part of a tree file record.
  void Serialize(CArchive& ar);
  // The text of the File Info message box.
  std::string GetInfoText() const;

  // Records come from a pool: a catalogue holds one per file.
  static void* operator new(size_t size);
  static void operator delete(void* p) noexcept;
  // Memory held by all records (for the benchmark's bytes-per-node figure).
  static size_t PoolCapacityBytes();
  // Records alive now (a benchmark checks that closing frees them all).
  static size_t LiveRecords();

  int64_t m_nFileSize = 0;
  DWORD m_dwAttributes = 0;
  FILETIME m_ftCreation;
  FILETIME m_ftLastAccess;
  FILETIME m_ftLastWrite;
};

class CTreeItem {
 public:
  CTreeItem() = default;
  // From a node as read with TVM_GETITEM; level is the nest level the caller
  // assigns. No handle of the running program is kept; lParam keeps the
  // live record, which a tree file treats only as a non-zero flag.
  CTreeItem(const TVITEM& item, int level);

  int GetLevel() const { return m_nLevel; }
  CTreeItemData* GetData() const { return m_tvis.item.lParam; }
  bool IsMarked() const { return CountsAsMarked(STATEIMAGEINDEX(m_tvis.item.state)); }

  // Creates the node as the last child of parent (null or TVI_ROOT: top
  // level); from then on the node owns the data record.
  HTREEITEM InsertInto(CTreeCtrl& tree, HTREEITEM parent);

  void Serialize(CArchive& ar);

  TVINSERTSTRUCT m_tvis;
  std::string m_strText;
  int m_nLevel = -1;
  bool m_bCutShort = false;  // the file ended inside the record last loaded
};
