#include "files/file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "files/file_exception.h"

namespace {

int OpenRetrying(const std::string& path, int flags) {
  int fd;
  do {
    fd = ::open(path.c_str(), flags, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

CFile::~CFile() { Abort(); }

void CFile::ThrowOsError(int osError) const {
  throw CFileException(CFileException::OsErrorToCause(osError), m_strFileName, osError);
}

void CFile::OpenRead(const std::string& path) {
  Abort();
  m_strFileName = path;
  const int fd = OpenRetrying(path, O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) ThrowOsError(errno);
  Attach(fd, path);
  // A folder opens for reading here; say so now rather than at the first
  // read, whose failure would name no file.
  struct stat st;
  if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    Abort();
    throw CFileException(CFileException::isFolder, m_strFileName, EISDIR);
  }
}

void CFile::OpenWriteInPlace(const std::string& path) {
  Abort();
  m_strFileName = path;
  const int fd = OpenRetrying(path, O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) ThrowOsError(errno);
  Attach(fd, path);
}

void CFile::Attach(int fd, std::string displayPath) {
  Abort();
  m_hFile = fd;
  m_strFileName = std::move(displayPath);
  struct stat st;
  m_bRegular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  const off_t at = m_bRegular ? ::lseek(fd, 0, SEEK_CUR) : -1;
  m_nPosition = at > 0 ? static_cast<uint64_t>(at) : 0;
}

size_t CFile::Read(void* buffer, size_t n) {
  auto* out = static_cast<char*>(buffer);
  size_t got = 0;
  while (got < n) {
    const ssize_t r = ::read(m_hFile, out + got, std::min<size_t>(n - got, SSIZE_MAX));
    if (r < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);
    }
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  m_nPosition += got;
  return got;
}

void CFile::Seek(uint64_t position) {
  if (::lseek(m_hFile, static_cast<off_t>(position), SEEK_SET) < 0) ThrowOsError(errno);
  m_nPosition = position;
}

void CFile::Write(const void* buffer, size_t n) {
  auto* in = static_cast<const char*>(buffer);
  while (n > 0) {
    const ssize_t w = ::write(m_hFile, in, std::min<size_t>(n, SSIZE_MAX));
    if (w < 0) {
      if (errno == EINTR) continue;
      ThrowOsError(errno);
    }
    // No progress without an error: the system has no room for the rest.
    if (w == 0) throw CFileException(CFileException::diskFull, m_strFileName, ENOSPC);
    in += w;
    n -= static_cast<size_t>(w);
    m_nPosition += static_cast<uint64_t>(w);
  }
}

void CFile::Sync() {
  if (::fsync(m_hFile) != 0) ThrowOsError(errno);
}

void CFile::Close() {
  if (m_hFile < 0) return;
  const int fd = m_hFile;
  m_hFile = -1;
  // On Linux the descriptor is gone even when close reports EINTR; retrying
  // could close someone else's.
  if (::close(fd) != 0 && errno != EINTR) ThrowOsError(errno);
}

void CFile::Abort() noexcept {
  if (m_hFile < 0) return;
  ::close(m_hFile);
  m_hFile = -1;
}

std::optional<uint64_t> CFile::GetRemainingLength() const {
  if (!m_bRegular) return std::nullopt;
  struct stat st;
  if (::fstat(m_hFile, &st) != 0) return std::nullopt;
  const auto size = static_cast<uint64_t>(st.st_size);
  return size > m_nPosition ? size - m_nPosition : 0;
}
