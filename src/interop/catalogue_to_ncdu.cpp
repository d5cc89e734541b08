#include "interop/catalogue_to_ncdu.h"

#include "tree/file_label.h"
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
  return static_cast<int64_t>((raw - kUnixEpochAsFileTime) / 10'000'000);
}

}  // namespace

CatalogueToNcdu::CatalogueToNcdu(NcduWriter& writer, std::optional<std::string_view> commonRoot)
    : m_writer(writer) {
  if (!commonRoot) return;
  NcduEntry root;
  root.name = *commonRoot;
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
  NcduEntry entry;
  if (node.data != nullptr) {
    entry.name = FileLabelName(node.label, node.data->m_nFileSize);
    entry.size = node.data->m_nFileSize;
    entry.mtime = UnixSeconds(node.data->m_ftLastWrite);
    entry.notRegular =
        (node.data->m_dwAttributes & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_REPARSE_POINT)) != 0;
  } else if (node.stateImage == kStateUnreadable) {
    entry.name = SplitUnreadableLabel(node.label).name;
    entry.readError = true;
  } else {
    entry.name = node.label;
  }
  if (node.data != nullptr && !node.hasChildren) {
    m_writer.File(entry);
    return;
  }
  m_writer.OpenFolder(entry);
  ++m_nOpenFolders;
}

void CatalogueToNcdu::Finish() {
  for (; m_nOpenFolders > 0; --m_nOpenFolders) m_writer.CloseFolder();
}
