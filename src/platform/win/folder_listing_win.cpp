// The folder listing on Windows, over FindFirstFileExW/FindNextFileW. The
// attribute bits and times are the system's own: tree files store them as
// they are.
#include <atomic>
#include <utility>

#include "platform/folder_listing.h"
#include "platform/win/folder_search.h"
#include "platform/win/wide_text.h"

namespace {

// Listings carry no file ids. Links are not followed, so a descent cannot
// come back to a folder it is in: each entry gets an identity of its own.
std::atomic<uint64_t> g_lastIdentity{0};

void Convert(const win::SearchEntry& entry, std::string_view name, FindData& out) {
  out.name = name;
  out.dwFileAttributes = entry.attributes;
  out.nFileSize = entry.size;
  out.ftCreationTime = U64ToFileTime(entry.creation);
  out.ftLastAccessTime = U64ToFileTime(entry.lastAccess);
  out.ftLastWriteTime = U64ToFileTime(entry.lastWrite);
  out.dev = 0;
  out.ino = ++g_lastIdentity;
  out.statusError = 0;  // the listing itself gives every entry's status
  out.listedAsFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// --- FolderHandle ---

FolderHandle::~FolderHandle() {
  if (m_fd >= 0) win::CloseFolder(m_fd);
}

FolderHandle::FolderHandle(FolderHandle&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}

FolderHandle& FolderHandle::operator=(FolderHandle&& other) noexcept {
  if (this != &other) {
    if (m_fd >= 0) win::CloseFolder(m_fd);
    m_fd = std::exchange(other.m_fd, -1);
  }
  return *this;
}

// Links are never entered: the listing gives them as entries, not folders
// (see folder_search.cpp), so followLink has nothing left to refuse.
FolderHandle FolderHandle::OpenAt(int dirFd, const char* name, int& err, bool) {
  uint32_t error = 0;
  const int folder = win::OpenFolder(dirFd, name, error);
  err = static_cast<int>(error);
  return FolderHandle(folder);
}

bool FolderHandle::Identity(uint64_t&, uint64_t&) const { return false; }

// Windows has no file systems of running-system information to keep out of.
bool FolderHandle::OnKernelFileSystem() const { return false; }

// --- FolderListing ---

FolderListing::FolderListing(FolderHandle dir) : m_dir(std::move(dir)) {}

FolderListing::~FolderListing() = default;

int FolderListing::fd() const { return m_dir.fd(); }

bool FolderListing::Next(FindData& out) {
  if (m_atEnd) return false;
  win::SearchEntry entry;
  uint32_t error = 0;
  if (!win::NextEntry(m_dir.fd(), entry, error)) {
    m_error = static_cast<int>(error);
    m_atEnd = true;
    return false;
  }
  m_name = Utf8FromWide(entry.name);
  Convert(entry, m_name, out);
  return true;
}

bool FolderListing::ReadEntry(int dirFd, std::string_view name, unsigned char, FindData& out) {
  win::SearchEntry entry;
  if (!win::FindEntry(dirFd, name, entry)) return false;
  Convert(entry, name, out);
  return true;
}
