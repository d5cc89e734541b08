#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/file_attributes.h"
#include "platform/local_time.h"

namespace {

// Only what the entry's record needs: fewer fields can mean less work for
// network and FUSE file systems.
constexpr unsigned kStatusMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_ATIME |
                                 STATX_MTIME | STATX_CTIME | STATX_INO | STATX_BTIME;

// The entry itself, never a link's target; an automount point is looked at
// without mounting what it stands for.
int StatusAt(int dirFd, const char* name, struct statx& st) {
  const int flags = AT_STATX_SYNC_AS_STAT | AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT;
  return statx(dirFd, name, flags, kStatusMask, &st) == 0 ? 0 : errno;
}

// Kernel file systems whose folders are shown but not entered. Three of them
// have no name in <linux/magic.h>.
constexpr unsigned long kConfigFsMagic = 0x62656570;
constexpr unsigned long kFuseControlMagic = 0x65735543;
constexpr unsigned long kMqueueMagic = 0x19800202;
constexpr unsigned long kKernelFileSystems[] = {
    PROC_SUPER_MAGIC,  SYSFS_MAGIC,    CGROUP_SUPER_MAGIC, CGROUP2_SUPER_MAGIC,
    DEBUGFS_MAGIC,     TRACEFS_MAGIC,  SECURITYFS_MAGIC,   PSTOREFS_MAGIC,
    BPF_FS_MAGIC,      kConfigFsMagic, DEVPTS_SUPER_MAGIC, kMqueueMagic,
    kFuseControlMagic, BINFMTFS_MAGIC, AUTOFS_SUPER_MAGIC,
};

FILETIME ToFileTime(const struct statx_timestamp& t) { return UnixToFileTime(t.tv_sec, t.tv_nsec); }

bool Earlier(const struct statx_timestamp& a, const struct statx_timestamp& b) {
  return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

// --- FolderHandle ---

FolderHandle::~FolderHandle() {
  if (m_fd >= 0) close(m_fd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) close(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

FolderHandle FolderHandle::OpenAt(int dirFd, const char* name, int& err, bool followLink) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY | (followLink ? 0 : O_NOFOLLOW);
  int fd;
  do {
    fd = openat(dirFd, name, flags);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    err = errno;
    return FolderHandle();
  }
  // Opening needs only read permission; the entries' status needs search
  // permission, without which the folder's contents cannot be catalogued.
  if (faccessat(fd, ".", X_OK, AT_EACCESS) != 0) {
    err = errno == ENOENT ? EACCES : errno;
    close(fd);
    return FolderHandle();
  }
  err = 0;
  return FolderHandle(fd);
}

bool FolderHandle::Identity(uint64_t& dev, uint64_t& ino) const {
  struct statx st;
  if (statx(m_fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_INO, &st) != 0) return false;
  dev = makedev(st.stx_dev_major, st.stx_dev_minor);
  ino = st.stx_ino;
  return true;
}

bool FolderHandle::OnKernelFileSystem() const {
  struct statfs fs;
  if (fstatfs(m_fd, &fs) != 0) return false;
  const auto type = static_cast<unsigned long>(fs.f_type);
  return std::find(std::begin(kKernelFileSystems), std::end(kKernelFileSystems), type) !=
         std::end(kKernelFileSystems);
}

// --- FolderListing ---

FolderListing::FolderListing(FolderHandle dir) : m_dir(fdopendir(dir.fd())) {
  if (m_dir) {
    dir.Release();  // the stream closes it now
  } else {
    m_error = errno;
    m_atEnd = true;
  }
}

FolderListing::~FolderListing() {
  if (m_dir) closedir(m_dir);
}

int FolderListing::fd() const { return m_dir ? dirfd(m_dir) : -1; }

bool FolderListing::Next(FindData& out) {
  while (!m_atEnd) {
    errno = 0;
    const struct dirent* entry = readdir(m_dir);
    if (!entry) {
      if (errno == EINTR) continue;  // nothing was consumed: read again
      m_error = errno;
      m_atEnd = true;
      return false;
    }
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (ReadEntry(dirfd(m_dir), entry->d_name, entry->d_type, out)) return true;
  }
  return false;
}

bool FolderListing::ReadEntry(int dirFd, std::string_view name, unsigned char type, FindData& out) {
  struct statx st;
  out.name = name;
  out.listedAsFolder = type == DT_DIR;
  out.statusError = StatusAt(dirFd, name.data(), st);
  if (out.statusError == ENOENT) return false;  // gone since it was listed
  if (out.statusError != 0) {
    out.dwFileAttributes = 0;
    out.nFileSize = 0;
    out.ftCreationTime = out.ftLastAccessTime = out.ftLastWriteTime = FILETIME{};
    out.dev = out.ino = 0;
    return true;
  }

  out.dwFileAttributes = FileAttributesFromStatus(st, name, S_ISLNK(st.stx_mode));
  out.nFileSize = st.stx_size;
  out.ftLastWriteTime = ToFileTime(st.stx_mtime);
  out.ftLastAccessTime = ToFileTime(st.stx_atime);
  // A birth time of 0 is a file system's way of saying it keeps none.
  const bool hasBirthTime =
      (st.stx_mask & STATX_BTIME) && (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0);
  if (hasBirthTime)
    out.ftCreationTime = ToFileTime(st.stx_btime);
  else
    out.ftCreationTime =
        ToFileTime(Earlier(st.stx_ctime, st.stx_mtime) ? st.stx_ctime : st.stx_mtime);
  out.dev = makedev(st.stx_dev_major, st.stx_dev_minor);
  out.ino = st.stx_ino;
  return true;
}
