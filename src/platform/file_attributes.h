// How the status of a Unix directory entry maps onto the attribute bits the
// catalogue stores (FILE_ATTRIBUTE_*), so that tree files mean the same on
// every system.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#ifdef __linux__
#include <sys/stat.h>
#endif

#include "platform/win_types.h"

// Unix file types and the owner's write bit, numbered as Unix numbers them:
// an ncdu export made on Linux holds these, whatever system reads it.
constexpr uint32_t kUnixTypeMask = 0170000;
constexpr uint32_t kUnixSocket = 0140000;
constexpr uint32_t kUnixLink = 0120000;
constexpr uint32_t kUnixFile = 0100000;
constexpr uint32_t kUnixBlockDevice = 0060000;
constexpr uint32_t kUnixFolder = 0040000;
constexpr uint32_t kUnixCharDevice = 0020000;
constexpr uint32_t kUnixPipe = 0010000;
constexpr uint32_t kUnixOwnerWrite = 0200;

// What of an entry's status the attributes depend on.
struct UnixStatus {
  uint32_t mode = 0;
  uint64_t size = 0;
  std::optional<uint64_t> blocks;  // 512-byte blocks allocated, where known
  bool immutable = false;
  bool compressed = false;
  bool encrypted = false;
};

// `st` is the entry's status (of the link's target when the target exists);
// `isSymlink` says whether the entry itself is a symbolic link.
//  directory 0x10   folders
//  hidden    0x2    names starting with '.'
//  read only 0x1    no write permission for the owner, or immutable
//  reparse   0x400  symbolic links
//  system    0x4    devices, pipes and sockets
//  archive   0x20   every regular file
//  sparse    0x200  regular files with fewer 512-byte blocks than their size needs
//  compressed 0x800, encrypted 0x4000   where the file system reports them
//  normal    0x80   only when no other bit applies
DWORD FileAttributesFromUnix(const UnixStatus& st, std::string_view name, bool isSymlink);

// A Unix mode that FileAttributesFromUnix turns back into these attributes
// as far as a mode can carry them: the type (a folder when `folder`, else a
// symbolic link for reparse, a character device for system, a regular file)
// and the usual permissions, without write bits for a read-only entry.
uint32_t UnixModeFromAttributes(DWORD attributes, bool folder);

#ifdef __linux__
// The same from the status statx gives.
DWORD FileAttributesFromStatus(const struct statx& st, std::string_view name, bool isSymlink);
#endif
