#include "files/atomic_file_writer.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <vector>

#include "files/file_exception.h"
#include "files/temporary_file.h"

namespace {

// Symbolic links followed before giving up, as the system itself does.
constexpr int kMaxLinks = 40;
// Room left in a name for the temporary file's decoration.
constexpr size_t kMaxBaseInTempName = NAME_MAX - 16;

[[noreturn]] void ThrowFor(const std::string& userPath, int osError) {
  throw CFileException(CFileException::OsErrorToCause(osError), userPath, osError);
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file the links starting at path lead to; it need not exist yet (a
// dangling link names the file a save creates).
std::string FollowLinks(const std::string& userPath) {
  std::string path = userPath;
  for (int hop = 0; hop <= kMaxLinks; ++hop) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return path;
      ThrowFor(userPath, errno);
    }
    if (!S_ISLNK(st.st_mode)) return path;
    std::string link(PATH_MAX, '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) ThrowFor(userPath, errno);
    if (static_cast<size_t>(n) >= link.size()) ThrowFor(userPath, ENAMETOOLONG);
    link.resize(static_cast<size_t>(n));
    path = link.starts_with('/') ? link : FolderOf(path) + "/" + link;
  }
  ThrowFor(userPath, ELOOP);
}

}  // namespace

CAtomicFileWriter::CAtomicFileWriter(const std::string& path) : m_strPath(path) {
  if (path.empty()) ThrowFor(path, ENOENT);
  if (path.ends_with('/')) throw CFileException(CFileException::isFolder, path, EISDIR);
  m_strTarget = FollowLinks(path);

  struct stat st;
  if (::stat(m_strTarget.c_str(), &st) == 0) {
    m_bTargetExists = true;
    m_bTargetRegular = S_ISREG(st.st_mode);
  } else if (errno != ENOENT) {
    ThrowFor(path, errno);
  }

  if (m_bTargetExists && S_ISDIR(st.st_mode))
    throw CFileException(CFileException::isFolder, path, EISDIR);
  if (m_bTargetExists && !m_bTargetRegular) {
    OpenInPlace();
    return;
  }
  // Replacing a file we could not write to would defeat its protection.
  if (m_bTargetExists && ::faccessat(AT_FDCWD, m_strTarget.c_str(), W_OK, AT_EACCESS) != 0)
    ThrowFor(path, errno);
  // A new file gets what the umask allows; one that replaces a file is
  // private until it has that file's owner and mode, before any byte of the
  // catalogue is in it.
  CreateTempFile(m_bTargetExists ? 0600 : 0666);
  if (!m_bTargetExists) return;
  try {
    // A rename would split the names of a file with other hard links, and
    // could not keep an owner that only root may give: such a file is
    // written where it is, after a copy of it is safe beside it.
    if (st.st_nlink > 1 || !TakeOwnerAndMode(st)) WriteInPlaceAfterBackup();
  } catch (...) {
    // No destructor runs for a writer that was never made: clean up here.
    // The target itself is untouched until it is open for writing.
    m_file.Abort();
    if (!m_strTempPath.empty()) ::unlink(m_strTempPath.c_str());
    if (!m_strBackupPath.empty()) ::unlink(m_strBackupPath.c_str());
    ClearPendingTemporaryFile();
    throw;
  }
}

CAtomicFileWriter::~CAtomicFileWriter() {
  m_file.Abort();
  if (!m_strTempPath.empty()) ::unlink(m_strTempPath.c_str());
  ClearPendingTemporaryFile();
  if (m_strBackupPath.empty()) return;
  // The file was written over and not finished: its old content goes back.
  // Should that fail too, the copy beside it stays, so a whole catalogue is
  // still on the disk.
  try {
    CFile target;
    target.OpenWriteInPlace(m_strTarget);
    CopyContent(m_strBackupPath, target);
    target.Sync();
    target.Close();
    ::unlink(m_strBackupPath.c_str());
  } catch (...) {
  }
}

void CAtomicFileWriter::OpenInPlace() {
  m_bInPlace = true;
  try {
    m_file.OpenWriteInPlace(m_strTarget);
  } catch (const CFileException& e) {
    ThrowFor(m_strPath, e.m_lOsError);
  }
  m_file.SetFilePath(m_strPath);
}

bool CAtomicFileWriter::TakeOwnerAndMode(const struct stat& target) {
  const int fd = m_file.GetHandle();
  struct stat mine;
  if (::fstat(fd, &mine) != 0) ThrowFor(m_strPath, errno);
  // Only root may give a file away; an ordinary user may give it any group
  // of their own.
  if ((mine.st_uid != target.st_uid || mine.st_gid != target.st_gid) &&
      ::fchown(fd, target.st_uid, target.st_gid) != 0)
    return false;
  if (::fchmod(fd, target.st_mode & 07777) != 0) ThrowFor(m_strPath, errno);
  return true;
}

void CAtomicFileWriter::CopyContent(const std::string& from, CFile& to) {
  CFile source;
  try {
    source.OpenRead(from);
  } catch (const CFileException& e) {
    ThrowFor(m_strPath, e.m_lOsError);
  }
  std::vector<char> buffer(size_t{1} << 16);
  for (size_t n; (n = source.Read(buffer.data(), buffer.size())) > 0;) to.Write(buffer.data(), n);
}

void CAtomicFileWriter::WriteInPlaceAfterBackup() {
  // The temporary file, private to us, becomes the copy.
  CopyContent(m_strTarget, m_file);
  m_file.Sync();
  m_file.Close();
  // From here an interruption must leave the copy: it may be the only whole
  // catalogue left.
  ClearPendingTemporaryFile();
  m_strBackupPath = std::move(m_strTempPath);
  m_strTempPath.clear();
  OpenInPlace();
}

void CAtomicFileWriter::CreateTempFile(mode_t mode) {
  const std::string prefix =
      FolderOf(m_strTarget) + "/." + NameOf(m_strTarget).substr(0, kMaxBaseInTempName) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = prefix + RandomSuffix() + ".tmp";
    // An interrupt's handler removes the file it finds recorded, so no
    // signal may come between creating the file and recording its name.
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &before);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    const int openError = errno;
    if (fd >= 0) SetPendingTemporaryFile(temp);
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    errno = openError;
    if (fd >= 0) {
      m_strTempPath = std::move(temp);
      m_file.Attach(fd, m_strPath);
      return;
    }
    if (errno == EEXIST || errno == EINTR) continue;
    // No temporary file, no save: writing over the file instead could leave
    // it cut short by a failure half-way, and the old content lost with it.
    ThrowFor(m_strPath, errno);
  }
  ThrowFor(m_strPath, EEXIST);
}

void CAtomicFileWriter::Commit() {
  if (m_bInPlace) {
    if (m_file.IsRegular()) m_file.Sync();
    m_file.Close();
    if (!m_strBackupPath.empty()) ::unlink(m_strBackupPath.c_str());
    m_strBackupPath.clear();
    return;
  }
  m_file.Sync();
  m_file.Close();
  if (::rename(m_strTempPath.c_str(), m_strTarget.c_str()) != 0) ThrowFor(m_strPath, errno);
  m_strTempPath.clear();
  ClearPendingTemporaryFile();

  // The rename itself must reach the disk, or a crash could bring the old
  // file back. Folders that cannot be synced (EINVAL) are taken as they are.
  const int folder = ::open(FolderOf(m_strTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) return;
  const int synced = ::fsync(folder);
  const int error = errno;
  ::close(folder);
  if (synced != 0 && error != EINVAL) ThrowFor(m_strPath, error);
}
