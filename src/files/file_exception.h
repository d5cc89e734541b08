// Failures of the file layer, reported to the user by the command dispatcher
// with one message box per failure.
#pragma once

#include <exception>
#include <string>

class CFileException : public std::exception {
 public:
  enum Cause {
    none,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
    isFolder,  // a file's name that leads to a folder
  };

  // fileName empty: the failure happened while reading and carries no path.
  explicit CFileException(Cause cause, std::string fileName = {}, int osError = 0);

  // The user's text for the cause, with the file's full path (or
  // "an unnamed file") in place of %1.
  std::string GetErrorMessage() const;
  const char* what() const noexcept override;

  // The cause a user would expect for a system error number.
  static Cause OsErrorToCause(int osError);

  Cause m_cause;
  std::string m_strFileName;
  int m_lOsError;

 private:
  std::string m_strMessage;
};

// The end of a tree file met inside a fixed-size value or a string. The
// records catch it themselves; it never reaches the user.
class CArchiveException : public std::exception {
 public:
  enum Cause { none, endOfFile };
  explicit CArchiveException(Cause cause) : m_cause(cause) {}
  const char* what() const noexcept override { return "unexpected end of file"; }
  Cause m_cause;
};
