// What a scan puts into the tree for one directory entry: the images and the
// file record (its label is made by tree/file_label.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/folder_listing.h"
#include "platform/win_types.h"
#include "tree/file_label.h"

class CTreeItemData;

struct NodeImages {
  int image;
  int selectedImage;
};

// The chosen folder shows the drive picture; files the document page.
constexpr NodeImages kChosenFolderImages{0, 0};
constexpr NodeImages kFileImages{5, 5};

// Yellow folder, or red for a hidden one.
NodeImages FolderImages(DWORD attributes);

// Copies size, attributes and the three times of a listed file.
void FillFileRecord(const FindData& entry, CTreeItemData& record);
