// The nodes of one catalogue as a search meets them: read record by record
// in the tree's pre-order (a file edited by hand whose records are out of
// that order is read into a whole tree instead, as the window would show it),
// or a single record read again at its place in the file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "files/tree_record_stream.h"

class CFile;
class CArchive;
class CTreeCtrl;

// One node in pre-order.
struct CatalogueNode {
  uint64_t index = 0;   // its place in the pre-order, 0 for the first node
  uint64_t offset = 0;  // where its record starts in the file (streamed reading only)
  const StreamedNode* node = nullptr;
  // The labels above the node, top first.
  std::function<void(std::vector<std::string_view>&)> ancestors;
};

// What a walk of a catalogue came to.
struct CatalogueWalkEnd {
  bool complete = true;  // every record was read (else message says why)
  bool streamed = true;  // in record order, so offsets and indexes agree
  bool stopped = false;  // visit asked to stop
  std::string message;
};

// visit returns false to stop the walk.
CatalogueWalkEnd WalkCatalogue(const std::string& path,
                               const std::function<bool(const CatalogueNode&)>& visit);

// The name a search compares for a node, as stored: a file's name without
// its size and date, an unreadable folder's without its reason, a top node's
// whole label.
std::string_view NodeStoredName(const StreamedNode& node, int depth);

// The text shown for a failure while reading a catalogue.
std::string ReadFailureText(const std::exception& failure);

// Reads single records of a catalogue by their offsets.
class CatalogueRecordReader {
 public:
  explicit CatalogueRecordReader(const std::string& path);
  ~CatalogueRecordReader();
  // The record at offset; depth is not known this way and stays 0.
  // Read failures throw.
  const StreamedNode& ReadAt(uint64_t offset);

 private:
  std::unique_ptr<CFile> m_file;
  std::unique_ptr<CArchive> m_archive;
  std::unique_ptr<CTreeRecordStream> m_stream;
};
