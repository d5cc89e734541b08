#include "interop/catalogue_to_ncdu.h"

#include <algorithm>
#include <charconv>

#include "interop/ncdu_sizes.h"
#include "platform/file_attributes.h"
#include "platform/local_time.h"
#include "tree/scan_nodes.h"
#include "tree/tree_item.h"

namespace {

// 100 ns units from 1601 to 1970.
constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

std::optional<int64_t> UnixSeconds(FILETIME ft) {
  const uint64_t raw = FileTimeToU64(ft);
  // Zero (no time known) and moments before 1970 have no place in ncdu's
  // unsigned field.
  if (raw < kUnixEpochAsFileTime) return std::nullopt;
  return static_cast<int64_t>((raw - kUnixEpochAsFileTime) / kFileTimeTicksPerSecond);
}

}  // namespace

std::string_view NameOfFileLabel(std::string_view label, const CTreeItemData& data) {
  char size[24];
  const auto end = std::to_chars(size, size + sizeof size, data.m_nFileSize).ptr;
  std::string middle = "   ";
  middle.append(size, end).append(" bytes, ");
  const size_t at = label.rfind(middle);
  return at == std::string_view::npos ? label : label.substr(0, at);
}

std::string_view NameOfUnreadableFolder(std::string_view label) {
  const size_t at = label.rfind(" [");
  if (at == std::string_view::npos || label.find(']', at) == std::string_view::npos) return label;
  return label.substr(0, at);
}

CatalogueToNcdu::CatalogueToNcdu(NcduWriter& writer, std::optional<std::string_view> commonRoot)
    : m_writer(writer) {
  if (!commonRoot) return;
  NcduEntry root;
  root.name = *commonRoot;
  root.mode = UnixModeFromAttributes(0, true);
  m_writer.OpenFolder(root);
  m_nDepthOffset = 1;
  m_nOpenFolders = 1;
}

void CatalogueToNcdu::Add(const CatalogueNode& node) {
  const int depth = node.depth + m_nDepthOffset;
  while (m_nOpenFolders > depth) {
    m_writer.CloseFolder();
    --m_nOpenFolders;
  }
  const bool isFile = node.data != nullptr && !node.hasChildren;
  NcduEntry entry;
  if (node.data != nullptr) {
    const DWORD attributes = node.data->m_dwAttributes;
    entry.name = NameOfFileLabel(node.label, *node.data);
    entry.size = std::max<int64_t>(0, node.data->m_nFileSize);
    entry.diskUsage = (attributes & FILE_ATTRIBUTE_SPARSE_FILE) && isFile
                          ? NcduSparseDiskUsage(entry.size)
                          : entry.size;
    entry.mtime = UnixSeconds(node.data->m_ftLastWrite);
    entry.mode = UnixModeFromAttributes(attributes, !isFile);
    entry.notRegular = (attributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
  } else if (node.stateImage == kStateUnreadable) {
    entry.name = NameOfUnreadableFolder(node.label);
    entry.readError = true;
  } else {
    entry.name = node.label;
  }
  if (node.data == nullptr) entry.mode = UnixModeFromAttributes(0, true);
  if (isFile) {
    m_writer.File(entry);
    return;
  }
  m_writer.OpenFolder(entry);
  ++m_nOpenFolders;
}

void CatalogueToNcdu::Finish() {
  for (; m_nOpenFolders > 0; --m_nOpenFolders) m_writer.CloseFolder();
}
