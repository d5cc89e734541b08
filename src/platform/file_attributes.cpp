#include "platform/file_attributes.h"

DWORD FileAttributesFromStatus(const struct statx& st, std::string_view name, bool isSymlink) {
  DWORD attributes = 0;
  const unsigned type = st.stx_mode & S_IFMT;

  if (type == S_IFDIR) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!name.empty() && name.front() == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (!(st.stx_mode & S_IWUSR) || (st.stx_attributes & STATX_ATTR_IMMUTABLE))
    attributes |= FILE_ATTRIBUTE_READONLY;
  if (isSymlink) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (type == S_IFCHR || type == S_IFBLK || type == S_IFIFO || type == S_IFSOCK)
    attributes |= FILE_ATTRIBUTE_SYSTEM;
  if (type == S_IFREG) {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
    const uint64_t blocksNeeded = st.stx_size / 512 + (st.stx_size % 512 != 0);
    if ((st.stx_mask & STATX_BLOCKS) && st.stx_blocks < blocksNeeded)
      attributes |= FILE_ATTRIBUTE_SPARSE_FILE;
  }
  if (st.stx_attributes & STATX_ATTR_COMPRESSED) attributes |= FILE_ATTRIBUTE_COMPRESSED;
  if (st.stx_attributes & STATX_ATTR_ENCRYPTED) attributes |= FILE_ATTRIBUTE_ENCRYPTED;

  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}
