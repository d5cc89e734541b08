// Saves a file so that it ends up either with the whole new content or with
// its old content untouched, never cut short: the bytes go to a temporary
// file in the target's folder, and Commit() renames that over the target.
//
// A target reached through symbolic links replaces the file the links lead
// to and leaves the links in place. A target that exists but is not a
// regular file (a device such as /dev/null, a pipe) is written in place.
#pragma once

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
  // the old file's permissions, under the target's name.
  void Commit();

 private:
  void CreateTempFile();
  void OpenInPlace();

  std::string m_strPath;      // as the user gave it; every message names it
  std::string m_strTarget;    // the file the symbolic links lead to
  std::string m_strTempPath;  // empty while writing in place
  CFile m_file;
  bool m_bInPlace = false;
  bool m_bTargetExists = false;
  bool m_bTargetRegular = false;
#ifndef _WIN32  // Windows keeps them through ReplaceFileW
  mode_t m_nTargetMode = 0;
  uid_t m_nTargetOwner = 0;
  gid_t m_nTargetGroup = 0;
#endif
};
