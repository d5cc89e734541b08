// The scan sink that writes a tree file: each node the moment it arrives, as
// the record File Save would write for it, so a scan or an import of any
// size goes to a tree file in the memory of what its producer holds back.
#pragma once

#include <functional>
#include <string>

#include "files/work_outcome.h"
#include "tree/scan_sink.h"
#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

class CArchive;

class TreeFileSink : public ScanSink {
 public:
  // Whether the top-level folders are saved open, as File New leaves the
  // folders it scanned, or closed, as a branch read from elsewhere is.
  enum class Tops { open, closed };

  // Records go to `ar`, a whole-tree file: each top-level node at level 1.
  explicit TreeFileSink(CArchive& ar, Tops tops = Tops::open) : m_ar(ar), m_tops(tops) {}

  void Add(const ScannedNode& node) override;
  void EndChildren() override { --m_nDepth; }

 private:
  CArchive& m_ar;
  Tops m_tops;
  int m_nDepth = 0;  // of the next node; the top-level ones are at 0
  TVITEM m_item;     // reused for every record
  CTreeItemData m_record;
};

// The work of writing a tree file while its nodes are produced: `produce`
// hands them to the sink it is given, and the file at `path` is replaced
// only once every byte is written. Whatever `produce` throws leaves the file
// as it was and is the outcome.
WorkFailure WriteTreeFileFrom(const std::string& path, TreeFileSink::Tops tops,
                              const std::function<void(TreeFileSink&)>& produce);
