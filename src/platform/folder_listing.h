// Listing a folder through its directory file descriptor: what the scan uses
// in place of entering folders and calling FindFirstFile/FindNextFile, so that
// no full paths are built during the descent and the process's current
// directory never changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

#ifndef _WIN32
#include <dirent.h>
#endif

#include "platform/win_types.h"

#ifdef _WIN32
// Windows has no descriptor for the current folder; the listing takes the
// POSIX name and value for it.
#ifndef AT_FDCWD
#define AT_FDCWD (-100)
#endif
#endif

// An open folder. Owns its descriptor and closes it on destruction.
class FolderHandle {
 public:
  FolderHandle() = default;
  // Takes ownership of an open folder descriptor.
  explicit FolderHandle(int fd) : m_fd(fd) {}
  ~FolderHandle();
  FolderHandle(FolderHandle&& other) noexcept;
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Opens `name` relative to the folder `dirFd` (AT_FDCWD for the current
  // directory; a full path ignores dirFd). A symbolic link is followed only
  // with followLink (the folder a user chose may be one). Entering a folder
  // means searching it: one the user may read but not search is refused with
  // EACCES. On failure returns an invalid handle and sets `err` to the errno
  // value.
  static FolderHandle OpenAt(int dirFd, const char* name, int& err, bool followLink = true);

  bool valid() const { return m_fd >= 0; }
  explicit operator bool() const { return valid(); }
  int fd() const { return m_fd; }
  // Gives the descriptor up to a new owner.
  int Release() { return std::exchange(m_fd, -1); }

  // Device and inode of the opened folder, comparable with FindData's; false
  // (with errno set) when they cannot be read.
  bool Identity(uint64_t& dev, uint64_t& ino) const;

  // Whether the folder lies on a kernel's virtual file system (proc, sysfs,
  // cgroup ...): its entries describe the running system, not stored files,
  // and some of them never end.
  bool OnKernelFileSystem() const;

 private:
  int m_fd = -1;
};

// One entry of a folder, in the shape of WIN32_FIND_DATA.
struct FindData {
  std::string_view name;  // points into the listing's buffer: valid until the next Next()
  DWORD dwFileAttributes = 0;
  uint64_t nFileSize = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  uint64_t dev = 0;  // identity of the entry (for a mount point: of the mounted folder)
  uint64_t ino = 0;
  // The errno value when the entry's status could not be read (only the
  // name is known then); 0 otherwise.
  int statusError = 0;
  bool listedAsFolder = false;  // the listing's own type, kept when the status is unknown
};

// Reads the entries of an open folder in the order the file system keeps
// them, skipping "." and "..". Symbolic links are not followed: a link is an
// entry of its own, with its own status and the reparse bit. An entry that
// vanishes before its status is read is left out; one whose status cannot be
// read for another reason is kept with the error.
class FolderListing {
 public:
  // Takes the folder over: it stays open while the listing lives, so that
  // its entries can be opened relative to fd(), and is closed with it. The
  // entries are read from the folder's current position.
  explicit FolderListing(FolderHandle dir);
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // The listed folder, or -1 when it could not be read.
  int fd() const;
  // Fills `out` with the next entry; false at the end or on a read error.
  bool Next(FindData& out);
  // The errno value of the read error that ended the listing, 0 if none.
  int error() const { return m_error; }

  // Fills `out` for the entry `name` of the folder `dirFd`, whose type from
  // the listing is `dType` (DT_UNKNOWN where the file system gives none);
  // `name` must be zero-terminated. False only when the entry is gone.
  static bool ReadEntry(int dirFd, std::string_view name, unsigned char dType, FindData& out);

 private:
#ifdef _WIN32
  FolderHandle m_dir;
  std::string m_name;  // the current entry's name, in UTF-8
#else
  DIR* m_dir = nullptr;  // owns the folder's descriptor
#endif
  int m_error = 0;
  bool m_atEnd = false;
};
