// The text of the File Info box: a file's three times and its attribute names.
#include <string>

#include "platform/local_time.h"
#include "tree/tree_item.h"

namespace {

struct AttributeName {
  DWORD bit;
  const char* name;
};

// Named in this order, not in bit order; other bits are never named.
constexpr AttributeName kAttributeNames[] = {
    {FILE_ATTRIBUTE_ARCHIVE, "archive"},
    {FILE_ATTRIBUTE_COMPRESSED, "compressed"},
    {FILE_ATTRIBUTE_DIRECTORY, "directory"},
    {FILE_ATTRIBUTE_ENCRYPTED, "encrypted"},
    {FILE_ATTRIBUTE_HIDDEN, "hidden"},
    {FILE_ATTRIBUTE_NORMAL, "normal"},
    {FILE_ATTRIBUTE_OFFLINE, "offline"},
    {FILE_ATTRIBUTE_READONLY, "read only"},
    {FILE_ATTRIBUTE_REPARSE_POINT, "reparse"},
    {FILE_ATTRIBUTE_SPARSE_FILE, "sparse"},
    {FILE_ATTRIBUTE_SYSTEM, "system"},
    {FILE_ATTRIBUTE_TEMPORARY, "temp"},
    {FILE_ATTRIBUTE_NOT_CONTENT_INDEXED, "not indexed"},
};

constexpr const char kInfoTimeFormat[] = "%d %m %Y - %H:%M";

}  // namespace

std::string CTreeItemData::GetInfoText() const {
  std::string attributes;
  for (const AttributeName& entry : kAttributeNames) {
    if (!(m_dwAttributes & entry.bit)) continue;
    if (!attributes.empty()) attributes += ", ";
    attributes += entry.name;
  }
  std::string text = "Created:    \t" + FormatFileTime(m_ftCreation, kInfoTimeFormat);
  text += "\nLast Update: \t" + FormatFileTime(m_ftLastWrite, kInfoTimeFormat);
  text += "\nLast Access: \t" + FormatFileTime(m_ftLastAccess, kInfoTimeFormat);
  text += "\n\nAttributes: \t" + attributes;
  return text;
}
