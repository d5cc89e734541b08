#include "platform/folder_listing.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "platform/file_attributes.h"
#include "platform/local_time.h"

namespace {

// The kernel's record layout for getdents64.
struct KernelDirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[1];
};

// Only what the entry's record needs: fewer fields can mean less work for
// network and FUSE file systems.
constexpr unsigned kStatusMask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_BLOCKS | STATX_ATIME |
                                 STATX_MTIME | STATX_CTIME | STATX_INO | STATX_BTIME;

int StatusAt(int dirFd, const char* name, bool follow, struct statx& st) {
  const int flags = AT_STATX_SYNC_AS_STAT | (follow ? 0 : AT_SYMLINK_NOFOLLOW);
  return statx(dirFd, name, flags, kStatusMask, &st) == 0 ? 0 : errno;
}

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

FolderHandle FolderHandle::OpenAt(int dirFd, const char* name, int& err) {
  int fd;
  do {
    fd = openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOCTTY);
  } while (fd < 0 && errno == EINTR);
  err = fd < 0 ? errno : 0;
  return FolderHandle(fd);
}

bool FolderHandle::Identity(uint64_t& dev, uint64_t& ino) const {
  struct statx st;
  if (statx(m_fd, "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, STATX_INO, &st) != 0) return false;
  dev = makedev(st.stx_dev_major, st.stx_dev_minor);
  ino = st.stx_ino;
  return true;
}

// --- FolderListing ---

FolderListing::FolderListing(int dirFd) : m_dirFd(dirFd), m_buffer(new char[kBufferSize]) {}

FolderListing::~FolderListing() = default;

bool FolderListing::Refill() {
  if (m_atEnd) return false;
  long got;
  do {
    got = syscall(SYS_getdents64, m_dirFd, m_buffer.get(), kBufferSize);
  } while (got < 0 && errno == EINTR);
  if (got <= 0) {
    m_error = got < 0 ? errno : 0;
    m_atEnd = true;
    return false;
  }
  m_filled = static_cast<size_t>(got);
  m_pos = 0;
  return true;
}

bool FolderListing::Next(FindData& out) {
  for (;;) {
    if (m_pos >= m_filled && !Refill()) return false;
    const auto* entry = reinterpret_cast<const KernelDirent64*>(m_buffer.get() + m_pos);
    if (entry->d_reclen == 0) {  // a damaged record would make us loop forever
      m_error = EIO;
      m_atEnd = true;
      m_filled = m_pos = 0;
      return false;
    }
    m_pos += entry->d_reclen;
    if (IsDotOrDotDot(entry->d_name)) continue;
    if (ReadEntry(m_dirFd, entry->d_name, entry->d_type, out)) return true;
  }
}

bool FolderListing::ReadEntry(int dirFd, std::string_view name, unsigned char type, FindData& out) {
  struct statx st;
  bool isSymlink;
  if (type == DT_UNKNOWN) {
    // The file system does not give types in the listing: look at the entry
    // itself first, so that a link is recognised as one.
    if (StatusAt(dirFd, name.data(), false, st) != 0) return false;
    isSymlink = S_ISLNK(st.stx_mode);
    if (isSymlink) {
      struct statx target;
      if (StatusAt(dirFd, name.data(), true, target) == 0) st = target;
    }
  } else if (StatusAt(dirFd, name.data(), true, st) == 0) {
    isSymlink = type == DT_LNK;
  } else {
    // A link whose target is missing or unreachable is shown with its own
    // data; an entry that is gone altogether is left out.
    if (StatusAt(dirFd, name.data(), false, st) != 0) return false;
    isSymlink = S_ISLNK(st.stx_mode);
  }

  out.name = name;
  out.dwFileAttributes = FileAttributesFromStatus(st, name, isSymlink);
  out.nFileSize = st.stx_size;
  out.ftLastWriteTime = ToFileTime(st.stx_mtime);
  out.ftLastAccessTime = ToFileTime(st.stx_atime);
  if (st.stx_mask & STATX_BTIME)
    out.ftCreationTime = ToFileTime(st.stx_btime);
  else
    out.ftCreationTime =
        ToFileTime(Earlier(st.stx_ctime, st.stx_mtime) ? st.stx_ctime : st.stx_mtime);
  out.dev = makedev(st.stx_dev_major, st.stx_dev_minor);
  out.ino = st.stx_ino;
  return true;
}
