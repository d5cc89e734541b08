// CFile on Windows: a file handle from CreateFileW, kept in the descriptor's
// int (kernel handles fit in 32 bits, which is how 32- and 64-bit programs
// share them).
#include <windows.h>

#include <algorithm>

#include "files/file.h"
#include "files/file_exception.h"
#include "platform/win/wide_text.h"

namespace {

HANDLE AsHandle(int fd) { return LongToHandle(fd); }

int OpenHandle(const std::string& path, DWORD access, DWORD disposition) {
  // Others may read, write or delete meanwhile, as a POSIX open allows.
  const HANDLE h = CreateFileW(WideFromUtf8(path).c_str(), access,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : HandleToLong(h);
}

}  // namespace

CFileException::Cause CFileException::OsErrorToCause(int osError) {
  switch (static_cast<DWORD>(osError)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return fileNotFound;
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_DIRECTORY:
      return accessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_TOO_LARGE:
      return diskFull;
    case ERROR_TOO_MANY_OPEN_FILES:
      return tooManyOpenFiles;
    case ERROR_CRC:
    case ERROR_IO_DEVICE:
    case ERROR_READ_FAULT:
    case ERROR_WRITE_FAULT:
      return hardIO;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_INVALID_DRIVE:
      return badPath;
    case ERROR_INVALID_HANDLE:
      return invalidFile;
    case ERROR_SEEK:
    case ERROR_NEGATIVE_SEEK:
      return badSeek;
    case ERROR_SHARING_VIOLATION:
      return sharingViolation;
    case ERROR_LOCK_VIOLATION:
      return lockViolation;
    case ERROR_CURRENT_DIRECTORY:
      return removeCurrentDir;
    default:
      return genericException;
  }
}

CFile::~CFile() { Abort(); }

void CFile::ThrowOsError(int osError) const {
  throw CFileException(CFileException::OsErrorToCause(osError), m_strFileName, osError);
}

void CFile::OpenRead(const std::string& path) {
  Abort();
  m_strFileName = path;
  // A folder does not open without backup semantics: it is refused here,
  // as on Linux, with access denied.
  const int fd = OpenHandle(path, GENERIC_READ, OPEN_EXISTING);
  if (fd < 0) ThrowOsError(static_cast<int>(GetLastError()));
  Attach(fd, path);
}

void CFile::OpenWriteInPlace(const std::string& path) {
  Abort();
  m_strFileName = path;
  const int fd = OpenHandle(path, GENERIC_WRITE, OPEN_EXISTING);
  if (fd < 0) ThrowOsError(static_cast<int>(GetLastError()));
  Attach(fd, path);
  if (m_bRegular && !SetEndOfFile(AsHandle(fd))) ThrowOsError(static_cast<int>(GetLastError()));
}

void CFile::Attach(int fd, std::string displayPath) {
  Abort();
  m_hFile = fd;
  m_strFileName = std::move(displayPath);
  m_bRegular = GetFileType(AsHandle(fd)) == FILE_TYPE_DISK;
  LARGE_INTEGER at{};
  m_nPosition = m_bRegular && SetFilePointerEx(AsHandle(fd), LARGE_INTEGER{}, &at, FILE_CURRENT)
                    ? static_cast<uint64_t>(at.QuadPart)
                    : 0;
}

void CFile::Seek(uint64_t position) {
  LARGE_INTEGER at{};
  at.QuadPart = static_cast<LONGLONG>(position);
  if (!SetFilePointerEx(AsHandle(m_hFile), at, nullptr, FILE_BEGIN))
    ThrowOsError(static_cast<int>(GetLastError()));
  m_nPosition = position;
}

size_t CFile::Read(void* buffer, size_t n) {
  auto* out = static_cast<char*>(buffer);
  size_t got = 0;
  while (got < n) {
    DWORD r = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(n - got, 1u << 30));
    if (!ReadFile(AsHandle(m_hFile), out + got, ask, &r, nullptr)) {
      const DWORD error = GetLastError();
      if (error == ERROR_BROKEN_PIPE || error == ERROR_HANDLE_EOF) break;  // the writer is done
      ThrowOsError(static_cast<int>(error));
    }
    if (r == 0) break;
    got += r;
  }
  m_nPosition += got;
  return got;
}

void CFile::Write(const void* buffer, size_t n) {
  auto* in = static_cast<const char*>(buffer);
  while (n > 0) {
    DWORD w = 0;
    const DWORD ask = static_cast<DWORD>(std::min<size_t>(n, 1u << 30));
    if (!WriteFile(AsHandle(m_hFile), in, ask, &w, nullptr))
      ThrowOsError(static_cast<int>(GetLastError()));
    if (w == 0) {
      throw CFileException(CFileException::diskFull, m_strFileName,
                           static_cast<int>(ERROR_DISK_FULL));
    }
    in += w;
    n -= w;
    m_nPosition += w;
  }
}

void CFile::Sync() {
  if (!FlushFileBuffers(AsHandle(m_hFile))) ThrowOsError(static_cast<int>(GetLastError()));
}

void CFile::Close() {
  if (m_hFile < 0) return;
  const HANDLE h = AsHandle(m_hFile);
  m_hFile = -1;
  if (!CloseHandle(h)) ThrowOsError(static_cast<int>(GetLastError()));
}

void CFile::Abort() noexcept {
  if (m_hFile < 0) return;
  CloseHandle(AsHandle(m_hFile));
  m_hFile = -1;
}

std::optional<uint64_t> CFile::GetRemainingLength() const {
  if (!m_bRegular) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(AsHandle(m_hFile), &size)) return std::nullopt;
  const auto total = static_cast<uint64_t>(size.QuadPart);
  return total > m_nPosition ? total - m_nPosition : 0;
}
