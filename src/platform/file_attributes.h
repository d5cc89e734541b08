// How the status of a Linux directory entry maps onto the attribute bits the
// catalogue stores (FILE_ATTRIBUTE_*), so that tree files mean the same on
// every system.
#pragma once

#include <sys/stat.h>

#include <string_view>

#include "platform/win_types.h"

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
DWORD FileAttributesFromStatus(const struct statx& st, std::string_view name, bool isSymlink);
