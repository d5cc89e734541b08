// What a scan puts into the tree for one directory entry: the images, the
// file record and the file label.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/folder_listing.h"
#include "platform/win_types.h"

class CTreeItemData;

struct NodeImages {
  int image;
  int selectedImage;
};

// The chosen folder shows the drive picture; files the document page.
constexpr NodeImages kChosenFolderImages{0, 0};
constexpr NodeImages kFileImages{5, 5};

// State images a scan gives: every new node is unmarked; a folder it could
// not enter shows the no-entry sign.
constexpr unsigned kStateUnmarked = 1;
constexpr unsigned kStateUnreadable = 4;

// Yellow folder, or red for a hidden one.
NodeImages FolderImages(DWORD attributes);

// Copies size, attributes and the three times of a listed file.
void FillFileRecord(const FindData& entry, CTreeItemData& record);

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
// Splits it; a label without a bracketed reason is all name.
struct UnreadableLabel {
  std::string_view name;
  std::string_view reason;  // without the brackets, as the system gave it
};
UnreadableLabel SplitUnreadableLabel(std::string_view label);
