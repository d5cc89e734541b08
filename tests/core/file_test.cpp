#include "files/file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "files/file_exception.h"
#include "support/child_process.h"
#include "support/scratch_folder.h"

namespace {

TEST(FileTest, OpenReadFailuresNameThePathAndTheCause) {
  ScratchFolder folder;
  WriteWholeFile(folder / "plain", "x");
  struct Case {
    std::string path;
    CFileException::Cause cause;
  };
  const Case cases[] = {
      {folder / "missing.ztr", CFileException::fileNotFound},
      {folder / "no-such-folder/a.ztr", CFileException::fileNotFound},
      {folder / "plain/a.ztr", CFileException::badPath},
      {folder / std::string(300, 'n'), CFileException::badPath},
      {folder.Path(), CFileException::isFolder},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    CFile file;
    try {
      file.OpenRead(c.path);
      ADD_FAILURE() << "opened";
    } catch (const CFileException& e) {
      EXPECT_EQ(e.m_cause, c.cause);
      EXPECT_EQ(e.m_strFileName, c.path);
    }
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST(FileTest, UnreadableFileIsAccessDenied) {
  ScratchFolder folder;
  const std::string path = folder / "secret.ztr";
  WriteWholeFile(path, "x");
  ::chmod(path.c_str(), 0000);
  // Root reads anything: the check runs as an ordinary user.
  const int cause = RunInChild(true, [&] {
    try {
      CFile file;
      file.OpenRead(path);
      return 100;
    } catch (const CFileException& e) {
      return static_cast<int>(e.m_cause);
    }
  });
  EXPECT_EQ(cause, CFileException::accessDenied);
}

TEST(FileTest, RemainingLengthFollowsTheReadPosition) {
  ScratchFolder folder;
  const std::string path = folder / "data";
  WriteWholeFile(path, std::string(100, 'd'));
  CFile file;
  file.OpenRead(path);
  EXPECT_EQ(file.GetRemainingLength(), 100u);
  char buffer[30];
  ASSERT_EQ(file.Read(buffer, sizeof buffer), 30u);
  EXPECT_EQ(file.GetRemainingLength(), 70u);
  // A file that grows while open reports its new end.
  WriteWholeFile(path, std::string(200, 'd'));
  EXPECT_EQ(file.GetRemainingLength(), 170u);

  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  CFile pipe;
  pipe.Attach(fds[0], "pipe");
  EXPECT_FALSE(pipe.GetRemainingLength().has_value());
  ::close(fds[1]);
}

}  // namespace
