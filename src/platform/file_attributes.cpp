#include "platform/file_attributes.h"

DWORD FileAttributesFromUnix(const UnixStatus& st, std::string_view name, bool isSymlink) {
  DWORD attributes = 0;
  const uint32_t type = st.mode & kUnixTypeMask;

  if (type == kUnixFolder) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (!name.empty() && name.front() == '.') attributes |= FILE_ATTRIBUTE_HIDDEN;
  if (!(st.mode & kUnixOwnerWrite) || st.immutable) attributes |= FILE_ATTRIBUTE_READONLY;
  if (isSymlink) attributes |= FILE_ATTRIBUTE_REPARSE_POINT;
  if (type == kUnixCharDevice || type == kUnixBlockDevice || type == kUnixPipe ||
      type == kUnixSocket)
    attributes |= FILE_ATTRIBUTE_SYSTEM;
  if (type == kUnixFile) {
    attributes |= FILE_ATTRIBUTE_ARCHIVE;
    const uint64_t blocksNeeded = st.size / 512 + (st.size % 512 != 0);
    if (st.blocks && *st.blocks < blocksNeeded) attributes |= FILE_ATTRIBUTE_SPARSE_FILE;
  }
  if (st.compressed) attributes |= FILE_ATTRIBUTE_COMPRESSED;
  if (st.encrypted) attributes |= FILE_ATTRIBUTE_ENCRYPTED;

  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

uint32_t UnixModeFromAttributes(DWORD attributes, bool folder) {
  uint32_t type = kUnixFile;
  uint32_t permissions = 0644;
  if (folder) {
    type = kUnixFolder;
    permissions = 0755;
  } else if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    type = kUnixLink;
    permissions = 0777;
  } else if (attributes & FILE_ATTRIBUTE_SYSTEM) {
    type = kUnixCharDevice;
  }
  if (attributes & FILE_ATTRIBUTE_READONLY) permissions &= ~0222u;
  return type | permissions;
}

#ifdef __linux__
DWORD FileAttributesFromStatus(const struct statx& st, std::string_view name, bool isSymlink) {
  UnixStatus status;
  status.mode = st.stx_mode;
  status.size = st.stx_size;
  if (st.stx_mask & STATX_BLOCKS) status.blocks = st.stx_blocks;
  status.immutable = st.stx_attributes & STATX_ATTR_IMMUTABLE;
  status.compressed = st.stx_attributes & STATX_ATTR_COMPRESSED;
  status.encrypted = st.stx_attributes & STATX_ATTR_ENCRYPTED;
  return FileAttributesFromUnix(status, name, isSymlink);
}
#endif
