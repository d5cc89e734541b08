// Where a scan puts what it finds. The scanner hands over nodes in the order
// of the catalogue: a folder, then (when it has any) its children — its
// subfolders first, each with its whole branch, then its files — closed by
// EndChildren(). The window's sink builds the tree from them; a tree file's
// sink writes each as a record at once.
#pragma once

#include <string_view>

#include "tree/scan_nodes.h"

class CTreeItemData;

struct ScannedNode {
  std::string_view label;
  NodeImages images;
  int stateImage;
  const CTreeItemData* record;  // a file's details; null for a folder
  bool hasChildren;             // its children follow, then EndChildren()
};

class ScanSink {
 public:
  virtual ~ScanSink() = default;
  // The first node of a scan is the chosen folder.
  virtual void Add(const ScannedNode& node) = 0;
  // The last node added with children has had all of them.
  virtual void EndChildren() = 0;
};
