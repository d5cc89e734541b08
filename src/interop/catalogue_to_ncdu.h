// Turns the nodes of a catalogue, given in pre-order, into an ncdu export.
#pragma once

#include <optional>
#include <string_view>

#include "interop/ncdu_writer.h"

class CTreeItemData;

struct CatalogueNode {
  std::string_view label;
  int depth = 0;  // 0 for a top-level node
  int stateImage = 0;
  const CTreeItemData* data = nullptr;  // a file's record; null for a folder
  bool hasChildren = false;
};

class CatalogueToNcdu {
 public:
  // ncdu's export holds one root folder: with several top-level nodes, pass
  // the name of a folder to hold them all.
  CatalogueToNcdu(NcduWriter& writer, std::optional<std::string_view> commonRoot);

  // Nodes in pre-order. A node with a record is a file unless nodes follow
  // below it; a node without one is a folder, and a folder the scan could not
  // enter is marked as a read error, its name without the bracketed reason.
  void Add(const CatalogueNode& node);
  // Closes every folder still open.
  void Finish();

 private:
  NcduWriter& m_writer;
  int m_nDepthOffset = 0;
  int m_nOpenFolders = 0;
};
