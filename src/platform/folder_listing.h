// Listing a folder through its directory file descriptor: what the scan uses
// in place of entering folders and calling FindFirstFile/FindNextFile, so that
// no full paths are built during the descent and the process's current
// directory never changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

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
  ~FolderHandle();
  FolderHandle(FolderHandle&& other) noexcept;
  FolderHandle& operator=(FolderHandle&& other) noexcept;
  FolderHandle(const FolderHandle&) = delete;
  FolderHandle& operator=(const FolderHandle&) = delete;

  // Opens `name` relative to the folder `dirFd` (AT_FDCWD for the current
  // directory; a full path ignores dirFd), following symbolic links. On
  // failure returns an invalid handle and sets `err` to the errno value.
  static FolderHandle OpenAt(int dirFd, const char* name, int& err);

  bool valid() const { return m_fd >= 0; }
  explicit operator bool() const { return valid(); }
  int fd() const { return m_fd; }

  // Device and inode of the opened folder, comparable with FindData's; false
  // (with errno set) when they cannot be read.
  bool Identity(uint64_t& dev, uint64_t& ino) const;

 private:
  explicit FolderHandle(int fd) : m_fd(fd) {}
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
  uint64_t dev = 0;  // identity of what the entry names (the target, for a followed link)
  uint64_t ino = 0;
};

// Reads the entries of an open folder in the order the file system keeps
// them, skipping "." and "..". Symbolic links are followed, as the original
// platform follows junctions: an entry shows its target's status with the
// reparse bit added; a link whose target cannot be reached shows its own.
// Entries that vanish before their status is read are left out.
class FolderListing {
 public:
  // Does not take ownership of `dirFd`; reads from its current position.
  explicit FolderListing(int dirFd);
  ~FolderListing();
  FolderListing(const FolderListing&) = delete;
  FolderListing& operator=(const FolderListing&) = delete;

  // Fills `out` with the next entry; false at the end or on a read error.
  bool Next(FindData& out);
  // The errno value of the read error that ended the listing, 0 if none.
  int error() const { return m_error; }

  // Fills `out` for the entry `name` of the folder `dirFd`, whose type from
  // the listing is `dType` (DT_UNKNOWN where the file system gives none);
  // `name` must be zero-terminated. False when the entry is gone or its
  // status cannot be read.
  static bool ReadEntry(int dirFd, std::string_view name, unsigned char dType, FindData& out);

 private:
  bool Refill();

  static constexpr size_t kBufferSize = 32 * 1024;
  int m_dirFd;
  int m_error = 0;
  bool m_atEnd = false;
  size_t m_filled = 0;
  size_t m_pos = 0;
  std::unique_ptr<char[]> m_buffer;
};
