#include "app/main_frame.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/resource.h"
#include "files/file_exception.h"
#include "support/scripted_host.h"

namespace {

// A failure that escapes a command is reported once, captioned "ZTR", and the
// program goes on.
TEST(MainFrame, FailuresEscapingACommandAreReportedOnce) {
  struct Case {
    const char* what;
    std::function<void()> fail;
    CommandSource source;
    const char* text;
    UINT icon;
  };
  const Case cases[] = {
      {"memory", [] { throw std::bad_alloc(); }, CommandSource::Menu, "Out of memory.",
       MB_ICONEXCLAMATION},
      {"file", [] { throw CFileException(CFileException::diskFull, "/tmp/a.ztr"); },
       CommandSource::Menu, "Disk full while accessing /tmp/a.ztr.", MB_ICONSTOP},
      {"file while reading", [] { throw CFileException(CFileException::hardIO); },
       CommandSource::Other, "A hardware I/O error was reported while accessing an unnamed file.",
       MB_ICONSTOP},
      {"other, from the menu", [] { throw std::runtime_error("x"); }, CommandSource::Menu,
       "Command failed.", MB_ICONEXCLAMATION},
      {"other, elsewhere", [] { throw 42; }, CommandSource::Other, "Internal application error.",
       MB_ICONEXCLAMATION},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedHost host;
    MemoryProfile profile;
    CMainFrame frame(host, profile);
    frame.RunGuarded(c.fail, c.source);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].text, c.text);
    EXPECT_EQ(host.messages[0].caption, "ZTR");
    EXPECT_EQ(host.messages[0].type & MB_ICONMASK, c.icon);
  }
}

TEST(MainFrame, FileErrorsMapToTheCausesAUserExpects) {
  const std::pair<int, CFileException::Cause> cases[] = {
      {ENOENT, CFileException::fileNotFound},  {EACCES, CFileException::accessDenied},
      {EROFS, CFileException::accessDenied},   {ENOSPC, CFileException::diskFull},
      {EDQUOT, CFileException::diskFull},      {EMFILE, CFileException::tooManyOpenFiles},
      {EIO, CFileException::hardIO},           {ENOTDIR, CFileException::badPath},
      {ENAMETOOLONG, CFileException::badPath}, {EXDEV, CFileException::genericException},
  };
  for (auto [err, cause] : cases) EXPECT_EQ(CFileException::OsErrorToCause(err), cause) << err;
}

TEST(MainFrame, ClosePromptGoesOnOnlyWhenTheTreeIsSafe) {
  struct Case {
    const char* what;
    std::deque<int> answers;
    bool modified;
    bool mayClose;
  };
  const Case cases[] = {
      {"unchanged: no question", {}, false, true},
      {"Cancel keeps the window", {IDCANCEL}, true, false},
      {"No closes without saving", {IDNO}, true, true},
      // Yes, then the save dialog is cancelled: the changes would be lost.
      {"Yes with a cancelled save keeps the window", {IDYES}, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedHost host;
    MemoryProfile profile;
    CMainFrame frame(host, profile);
    frame.m_bModified = c.modified;
    host.answers = c.answers;
    EXPECT_EQ(frame.OnClose(), c.mayClose);
    EXPECT_EQ(host.messages.size(), c.modified ? 1u : 0u);
  }
}

TEST(MainFrame, CommandsWithoutAHandlerDoNothing) {
  ScriptedHost host;
  MemoryProfile profile;
  CMainFrame frame(host, profile);
  for (UINT id : {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_UNDO, ID_FILE_PRINT,
                  ID_NEXT_PANE, ID_WINDOW_SPLIT}) {
    EXPECT_FALSE(frame.HasCommandHandler(id)) << id;
    frame.OnCommand(id);
  }
  EXPECT_TRUE(host.messages.empty());
  EXPECT_TRUE(host.dialogs.empty());
}

}  // namespace
