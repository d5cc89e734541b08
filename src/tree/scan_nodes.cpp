#include "tree/scan_nodes.h"

#include <charconv>

#include "platform/local_time.h"
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

void FormatFileLabel(std::string_view name, const CTreeItemData& record, std::string& label,
                     bool withTime) {
  char size[24];
  const auto sizeEnd = std::to_chars(size, size + sizeof size, record.m_nFileSize).ptr;
  char time[64];
  const size_t timeLength =
      withTime ? FormatFileTime(record.m_ftLastWrite, "%d/%m/%Y-%H:%M", time, sizeof time) : 0;

  label.assign(name);
  label.append("   ");
  label.append(size, sizeEnd);
  label.append(" bytes, ");
  label.append(time, timeLength);
}
