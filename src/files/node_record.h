// A node record of a tree file up to its data part, read field by field
// straight from the stream. CTreeItem::Serialize reads through it, and the
// streamed readers (ztr-tool list, find, export-ncdu) use it directly, which
// spares them a record object, a data record from the pool and their copies
// for each of a million nodes.
#pragma once

#include <cstdint>
#include <string>

class CArchive;

// The display part's members as stored. A reader keeps one for all records:
// a display part cut short by the end of the file takes its missing bytes
// from the record read before it.
struct NodeRecordHead {
  int level = -1;
  uint32_t mask = 0;
  uint32_t state = 0;
  uint32_t stateMask = 0;
  int image = 0;
  int selectedImage = 0;
  int children = 0;
  bool hasData = false;  // a 36-byte data part follows (CTreeItemData::Serialize)
};

// Reads the label and the head of the next record. False, with level -1, when
// the file ends before the level is whole; the label is then unspecified.
// Read failures throw.
bool ReadNodeRecordHead(CArchive& ar, std::string& label, NodeRecordHead& head);
