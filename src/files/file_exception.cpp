#include "files/file_exception.h"

#include <cerrno>

namespace {

const char* TextForCause(CFileException::Cause cause) {
  switch (cause) {
    case CFileException::fileNotFound:
      return "%1 was not found.";
    case CFileException::badPath:
      return "%1 contains an invalid path.";
    case CFileException::tooManyOpenFiles:
      return "%1 could not be opened because there are too many open files.";
    case CFileException::accessDenied:
      return "Access to %1 was denied.";
    case CFileException::invalidFile:
      return "An invalid file handle was associated with %1.";
    case CFileException::removeCurrentDir:
      return "%1 could not be removed because it is the current directory.";
    case CFileException::directoryFull:
      return "%1 could not be created because the directory is full.";
    case CFileException::badSeek:
      return "Seek failed on %1";
    case CFileException::hardIO:
      return "A hardware I/O error was reported while accessing %1.";
    case CFileException::sharingViolation:
      return "A sharing violation occurred while accessing %1.";
    case CFileException::lockViolation:
      return "A locking violation occurred while accessing %1.";
    case CFileException::diskFull:
      return "Disk full while accessing %1.";
    case CFileException::endOfFile:
      return "An attempt was made to access %1 past its end.";
    case CFileException::isFolder:
      return "%1 is a folder, not a file.";
    case CFileException::none:
    case CFileException::genericException:
      break;
  }
  return "An unknown error occurred while accessing %1.";
}

}  // namespace

CFileException::CFileException(Cause cause, std::string fileName, int osError)
    : m_cause(cause), m_strFileName(std::move(fileName)), m_lOsError(osError) {
  m_strMessage = TextForCause(m_cause);
  const std::string name = m_strFileName.empty() ? "an unnamed file" : m_strFileName;
  if (auto at = m_strMessage.find("%1"); at != std::string::npos) m_strMessage.replace(at, 2, name);
}

std::string CFileException::GetErrorMessage() const { return m_strMessage; }

const char* CFileException::what() const noexcept { return m_strMessage.c_str(); }

// The Windows form, for Win32 error codes, is beside the Windows CFile.
#ifndef _WIN32
CFileException::Cause CFileException::OsErrorToCause(int osError) {
  switch (osError) {
    case ENOENT:
      return fileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ETXTBSY:
      return accessDenied;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return diskFull;
    case EMFILE:
    case ENFILE:
      return tooManyOpenFiles;
    case EIO:
      return hardIO;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
    case EINVAL:
      return badPath;
    case EBADF:
      return invalidFile;
    case ESPIPE:
      return badSeek;
    case EBUSY:
      return sharingViolation;
    case ENOLCK:
      return lockViolation;
    default:
      return genericException;
  }
}
#endif
