// The window's scan sink: builds the scanned branch in the tree control.
#pragma once

#include <string>
#include <vector>

#include "tree/scan_progress.h"
#include "tree/scan_sink.h"
#include "tree/tree_ctrl.h"

class TreeScanSink : public ScanSink {
 public:
  // The chosen folder's node is `top`, already in the tree: the scan's first
  // node sets its label and state, the rest go below it.
  TreeScanSink(CTreeCtrl& tree, HTREEITEM top) : m_tree(tree), m_top(top) {}
  // The first node becomes a new top-level node, after the others.
  explicit TreeScanSink(CTreeCtrl& tree) : m_tree(tree), m_top(nullptr) {}

  void Add(const ScannedNode& node) override;
  void EndChildren() override;

 private:
  CTreeCtrl& m_tree;
  HTREEITEM m_top;
  bool m_bTopSeen = false;
  // The folders whose children are arriving, innermost last; null for a
  // folder the control refused, whose branch is skipped.
  std::vector<HTREEITEM> m_parents;
};

// File New's tree without the window: appends a top-level node for `folder`,
// scans the folder into it and opens it. Returns the node (null when the
// control refused it). Throws ScanCancelled when asked to stop, after taking
// the unfinished branch out again.
HTREEITEM ScanIntoTree(const std::string& folder, CTreeCtrl& tree, ScanProgress& progress);
