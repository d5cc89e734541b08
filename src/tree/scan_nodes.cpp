#include "tree/scan_nodes.h"

#include "tree/tree_item.h"

NodeImages FolderImages(DWORD attributes) {
  return (attributes & FILE_ATTRIBUTE_HIDDEN) ? NodeImages{3, 4} : NodeImages{1, 2};
}

void FillFileRecord(const FindData& entry, CTreeItemData& record) {
  record.m_dwAttributes = entry.dwFileAttributes;
  record.m_nFileSize = static_cast<int64_t>(entry.nFileSize);
  record.m_ftCreation = entry.ftCreationTime;
  record.m_ftLastAccess = entry.ftLastAccessTime;
  record.m_ftLastWrite = entry.ftLastWriteTime;
}
