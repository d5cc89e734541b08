// Saves a file so that it ends up either with the whole new content or with
// its old content untouched, never cut short: the bytes go to a temporary
// file in the target's folder, and Commit() renames that over the target.
//
// A target reached through symbolic links replaces the file the links lead
// to and leaves the links in place. The new file keeps the old one's owner,
// group and mode. A target that exists but is not a regular file (a device
// such as /dev/null, a pipe) is written in place. So is a file with other
// hard links, or one whose owner the user may not give the new file (Linux:
// someone else's file in a shared folder): after a whole copy of it is
// synced beside it, which puts it back should the save fail, and is removed
// once the new content is on the disk.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "files/file.h"

// The temporary file a writer has open now, or null: a signal handler
// removes it before the process ends. Safe to call from a signal handler.
const char* PendingTemporaryFile();

class CAtomicFileWriter {
 public:
  // Throws CFileException naming path when the file cannot be written.
  explicit CAtomicFileWriter(const std::string& path);
  // Without a successful Commit() the temporary file is removed and the
  // target stays as it was.
  ~CAtomicFileWriter();
  CAtomicFileWriter(const CAtomicFileWriter&) = delete;
  CAtomicFileWriter& operator=(const CAtomicFileWriter&) = delete;

  CFile& GetFile() { return m_file; }

  // Makes the written bytes the target's content: synced to the disk, with
  // the old file's owner and permissions, under the target's name.
  void Commit();

 private:
  void OpenInPlace();
#ifndef _WIN32
  void CreateTempFile(mode_t mode);
  // False when the new file cannot have the target's owner and group.
  bool TakeOwnerAndMode(const struct stat& target);
  void WriteInPlaceAfterBackup();
  // Appends the whole content of the file at `from`.
  void CopyContent(const std::string& from, CFile& to);
#else
  void CreateTempFile();
#endif

  std::string m_strPath;      // as the user gave it; every message names it
  std::string m_strTarget;    // the file the symbolic links lead to
  std::string m_strTempPath;  // empty while writing in place
  CFile m_file;
  bool m_bInPlace = false;
  bool m_bTargetExists = false;
  bool m_bTargetRegular = false;
#ifndef _WIN32
  std::string m_strBackupPath;  // the copy of a file written in place, or empty
#endif
};
