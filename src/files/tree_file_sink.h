// The scan sink of ztr-tool scan: writes each node the moment it arrives, as
// the record File Save would write for it, so a scan of any size goes to a
// tree file in the memory of one folder's listing per level.
#pragma once

#include "tree/scan_sink.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

class CArchive;

class TreeFileSink : public ScanSink {
 public:
  // Records go to `ar`, a whole-tree file: each chosen folder at level 1.
  explicit TreeFileSink(CArchive& ar) : m_ar(ar) {}

  void Add(const ScannedNode& node) override;
  void EndChildren() override { --m_nDepth; }

 private:
  CArchive& m_ar;
  int m_nDepth = 0;  // of the next node; the chosen folders are at 0
  TVITEM m_item;     // reused for every record
  CTreeItemData m_record;
};
