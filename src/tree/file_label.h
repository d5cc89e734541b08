// Node labels: the file label a scan writes and the ways it is taken apart
// again (by Find, by the comparison of catalogues), kept together so that
// the format and its parsing cannot drift apart.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CTreeItemData;

// "name   <size> bytes, <last-write time>", the time in local time as
// dd/mm/yyyy-hh:mm (empty when out of range). Replaces `label`'s contents;
// reusing one string spares an allocation per file. Without withTime the
// time text is empty, as for a time the label cannot show.
void FormatFileLabel(std::string_view name, const CTreeItemData& record, std::string& label,
                     bool withTime = true);

// The file's name in a label FormatFileLabel made from a record of this
// size (the part before "   <size> bytes, "); the whole label when it does
// not have that form (a catalogue from another writer). Exact for any name,
// also one that ends in spaces or holds text like a size.
std::string_view FileLabelName(std::string_view label, int64_t size);

// The label of a folder the scan could not enter is "<name> [<reason>]".
// Replaces `label`'s contents with it.
void FormatUnreadableLabel(std::string_view name, std::string_view reason, std::string& label);

// Splits such a label; a label without a bracketed reason is all name.
struct UnreadableLabel {
  std::string_view name;
  std::string_view reason;  // without the brackets, as the system gave it
};
UnreadableLabel SplitUnreadableLabel(std::string_view label);

// The part of a node label that Find compares: the file's name for a file
// label ("<name>   <size> bytes, <date>-<time>"), else the whole label.
// Unlike FileLabelName it knows no record, only the label. A view into the
// label.
std::string_view ItemLabelName(std::string_view label);
