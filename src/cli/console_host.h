// The frame's window system for a console: ztr-tool runs the window's own
// commands through it. Nothing waits for a user: dialogs return the paths the
// command put in beforehand, questions get the answer a user running the tool
// would want, and notices and failures go to stderr as "caption: text".
#pragma once

#include <cstdio>
#include <string>

#include "app/frame_host.h"

class ConsoleHost : public FrameHost {
 public:
  explicit ConsoleHost(std::FILE* messages = stderr) : m_messages(messages) {}

  // The answer of the next folder, save or open dialog; each is used once,
  // and a dialog with no answer set is cancelled.
  void SetNextFolder(std::string path) { m_folder = std::move(path); }
  void SetNextSaveName(std::string path) { m_saveName = std::move(path); }
  void SetNextOpenName(std::string path) { m_openName = std::move(path); }

  // Put before every notice written to stderr (e.g. the file's name when a
  // command works on several files); empty by default.
  void SetMessagePrefix(std::string prefix) { m_prefix = std::move(prefix); }

  // The caption written instead of the application's name, under which the
  // frame reports a failure that ended a command (a save that could not be
  // written): "ztr-tool scan" says which command failed.
  void SetApplicationCaption(std::string caption) { m_appCaption = std::move(caption); }

  // Notices (boxes with only OK) written since the last reset: the frame
  // shows every failure of a command so.
  int NoticesShown() const { return m_notices; }
  void ResetNotices() { m_notices = 0; }

  int MessageBox(std::string_view text, std::string_view caption, UINT type) override;
  void SetStatusText(int, std::string_view, UINT) override {}
  void SetStatusParts(const std::vector<int>&) override {}
  void SetWindowText(std::string_view) override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}

  bool BrowseForFolder(std::string_view title, std::string& path) override;
  bool GetSaveFileName(const FileDialogOptions& options, std::string& path) override;
  bool GetOpenFileName(const FileDialogOptions& options, std::string& path) override;
  UINT TrackPopupMenu(const std::vector<PopupMenuItem>&, POINT) override { return 0; }
  int RunFindDialog(FindDialogData&) override { return IDCANCEL; }
  void SetFocusToTree() override {}
  TVHITTESTINFO HitTestTree(POINT) override { return {}; }
  POINT GetMessagePos() override { return {}; }

 private:
  std::FILE* m_messages;
  std::string m_prefix;
  std::string m_appCaption;
  std::string m_folder;
  std::string m_saveName;
  std::string m_openName;
  int m_notices = 0;
};
