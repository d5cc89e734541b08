// Catalogues built straight into a tree control, node by node, shaped as a
// scan leaves them, for tests that need a tree but not a folder on disk; and
// a node's children read back.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tree/tree_ctrl.h"
#include "tree/tree_item.h"

// Closed and open pictures: a yellow folder by default; {0, 0} is the drive
// of a chosen folder, {3, 4} a hidden folder.
struct TestImages {
  int image = 1;
  int selectedImage = 2;
};

// A folder node (no file record), unmarked unless `state` says otherwise.
inline HTREEITEM AddFolder(CTreeCtrl& tree, std::string_view name, HTREEITEM parent = TVI_ROOT,
                           int state = 1, TestImages images = {}, HTREEITEM after = TVI_LAST) {
  return tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE, name,
                         images.image, images.selectedImage, INDEXTOSTATEIMAGEMASK(state),
                         TVIS_STATEIMAGEMASK, nullptr, parent, after);
}

// A file node with a record of `size` bytes; the tree frees the record.
inline HTREEITEM AddFile(CTreeCtrl& tree, std::string_view label, int64_t size, HTREEITEM parent,
                         int state = 1) {
  auto* data = new CTreeItemData;
  data->m_nFileSize = size;
  return tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM,
                         label, 5, 5, INDEXTOSTATEIMAGEMASK(state), TVIS_STATEIMAGEMASK, data,
                         parent, TVI_LAST);
}

inline std::vector<HTREEITEM> Children(const CTreeCtrl& tree, HTREEITEM node) {
  std::vector<HTREEITEM> out;
  for (HTREEITEM c = tree.GetChildItem(node); c; c = tree.GetNextSiblingItem(c)) out.push_back(c);
  return out;
}

inline std::vector<std::string> ChildLabels(const CTreeCtrl& tree, HTREEITEM node) {
  std::vector<std::string> out;
  for (HTREEITEM c : Children(tree, node)) out.emplace_back(tree.GetItemText(c));
  return out;
}
