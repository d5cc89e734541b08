// A node record of a tree file up to its data part, read field by field
// straight from the stream. CTreeItem::Serialize reads through it, and the
// streamed readers (ztr-tool list, find, export-ncdu) use it directly, which
// spares them a record object, a data record from the pool and their copies
// for each of a million nodes.
#pragma once

#include <cstdint>
#include <string>

class CArchive;
class CTreeItemData;

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
  // The file ends inside this record: it was not written whole.
  bool cutShort = false;
};

// Reads the label and the head of the next record. False, with level -1, when
// the file ends before the level is whole; the label is then unspecified.
// cutShort tells whether the end fell inside the record rather than before
// it. Read failures throw.
bool ReadNodeRecordHead(CArchive& ar, std::string& label, NodeRecordHead& head);

// Loads a data part; false when the file ended inside it (the missing bytes
// are zero, or every field is when not even the attributes are whole).
bool ReadDataPart(CArchive& ar, CTreeItemData& data);
