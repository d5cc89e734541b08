// Atomic saves on Windows: the bytes go to a temporary file beside the
// target, reach the disk (FlushFileBuffers), and then take the target's
// place in one step. An existing target is swapped with ReplaceFileW, which
// keeps its attributes, creation time and permissions, as the Linux form
// keeps mode and owner; a new one is moved in with MoveFileExW, write-through.
#include <windows.h>

#include "files/atomic_file_writer.h"
#include "files/file_exception.h"
#include "files/temporary_file.h"
#include "platform/win/wide_text.h"

namespace {

[[noreturn]] void ThrowFor(const std::string& userPath, DWORD osError) {
  const int code = static_cast<int>(osError);
  throw CFileException(CFileException::OsErrorToCause(code), userPath, code);
}

size_t LastSeparator(const std::string& path) { return path.find_last_of("\\/"); }

enum class Target { missing, file, device, folder };

// What the path names now. A device (NUL, CON) or a pipe is written in place.
Target Inspect(const std::string& path, const std::wstring& wide) {
  const HANDLE h =
      CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND) return Target::missing;
    ThrowFor(path, error);
  }
  BY_HANDLE_FILE_INFORMATION info{};
  const bool disk = GetFileType(h) == FILE_TYPE_DISK;
  const bool known = disk && GetFileInformationByHandle(h, &info);
  CloseHandle(h);
  if (!disk) return Target::device;
  if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return Target::folder;
  // Replacing a file we could not write to would defeat its protection.
  if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY))
    ThrowFor(path, ERROR_ACCESS_DENIED);
  return Target::file;
}

}  // namespace

CAtomicFileWriter::CAtomicFileWriter(const std::string& path) : m_strPath(path), m_strTarget(path) {
  if (path.empty()) ThrowFor(path, ERROR_PATH_NOT_FOUND);
  if (LastSeparator(path) == path.size() - 1) ThrowFor(path, ERROR_ACCESS_DENIED);
  switch (Inspect(path, WideFromUtf8(path))) {
    case Target::folder:
      throw CFileException(CFileException::isFolder, path, ERROR_ACCESS_DENIED);
    case Target::device:
      m_bTargetExists = true;
      OpenInPlace();
      return;
    case Target::file:
      m_bTargetExists = m_bTargetRegular = true;
      break;
    case Target::missing:
      break;
  }
  CreateTempFile();
}

CAtomicFileWriter::~CAtomicFileWriter() {
  m_file.Abort();
  ClearPendingTemporaryFile();
  if (!m_strTempPath.empty()) DeleteFileW(WideFromUtf8(m_strTempPath).c_str());
}

void CAtomicFileWriter::OpenInPlace() {
  m_bInPlace = true;
  try {
    m_file.OpenWriteInPlace(m_strTarget);
  } catch (const CFileException& e) {
    ThrowFor(m_strPath, static_cast<DWORD>(e.m_lOsError));
  }
  m_file.SetFilePath(m_strPath);
}

void CAtomicFileWriter::CreateTempFile() {
  const size_t slash = LastSeparator(m_strTarget);
  const std::string folder = slash == std::string::npos ? "" : m_strTarget.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? m_strTarget : m_strTarget.substr(slash + 1);
  const std::string prefix = folder + "." + name.substr(0, 200) + ".";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string temp = prefix + RandomSuffix() + ".tmp";
    const HANDLE h = CreateFileW(WideFromUtf8(temp).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
      m_strTempPath = std::move(temp);
      SetPendingTemporaryFile(m_strTempPath);
      m_file.Attach(HandleToLong(h), m_strPath);
      return;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) continue;
    // No temporary file, no save: writing over the file instead could leave
    // it cut short by a failure half-way, and the old content lost with it.
    ThrowFor(m_strPath, error);
  }
  ThrowFor(m_strPath, ERROR_FILE_EXISTS);
}

void CAtomicFileWriter::Commit() {
  if (m_bInPlace) {
    if (m_file.IsRegular()) m_file.Sync();
    m_file.Close();
    return;
  }
  m_file.Sync();
  m_file.Close();
  const std::wstring temp = WideFromUtf8(m_strTempPath);
  const std::wstring target = WideFromUtf8(m_strTarget);
  const bool moved = m_bTargetExists
                         ? ReplaceFileW(target.c_str(), temp.c_str(), nullptr,
                                        REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                         : MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH);
  if (!moved) ThrowFor(m_strPath, GetLastError());
  ClearPendingTemporaryFile();
  m_strTempPath.clear();
}
