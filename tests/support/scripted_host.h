// A window-system interface with scripted answers, and an in-memory settings
// store, for driving the frame's commands in tests.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/frame_host.h"
#include "app/main_frame.h"
#include "app/profile_store.h"

struct ShownMessage {
  std::string text;
  std::string caption;
  UINT type;
};

class ScriptedHost : public FrameHost {
 public:
  // Answers given in order; when they run out, message boxes answer IDCANCEL
  // (or IDOK for a box with only OK) and dialogs are cancelled.
  std::deque<int> answers;
  std::deque<std::string> folders;    // BrowseForFolder results ("" = cancel)
  std::deque<std::string> saveNames;  // GetSaveFileName results ("" = cancel)
  std::deque<std::string> openNames;  // GetOpenFileName results ("" = cancel)
  std::deque<UINT> menuChoices;       // TrackPopupMenu results
  std::function<int(FindDialogData&)> findDialog;
  TVHITTESTINFO nextHit;
  POINT messagePos;

  std::vector<ShownMessage> messages;
  std::vector<FileDialogOptions> dialogs;
  std::vector<std::vector<PopupMenuItem>> menus;
  std::string status[2];
  UINT status0Flags = 0;
  std::vector<int> statusParts;
  std::string caption;
  int waitDepth = 0;
  int waitCursorShown = 0;
  int treeFocused = 0;
  int findDialogRuns = 0;

  int MessageBox(std::string_view text, std::string_view cap, UINT type) override {
    messages.push_back({std::string(text), std::string(cap), type});
    if (!answers.empty()) {
      int a = answers.front();
      answers.pop_front();
      return a;
    }
    return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
  }
  void SetStatusText(int part, std::string_view text, UINT flags) override {
    status[part] = std::string(text);
    if (part == 0) status0Flags = flags;
  }
  void SetStatusParts(const std::vector<int>& edges) override { statusParts = edges; }
  void SetWindowText(std::string_view text) override { caption = std::string(text); }
  void BeginWaitCursor() override {
    ++waitDepth;
    ++waitCursorShown;
  }
  void EndWaitCursor() override { --waitDepth; }
  bool BrowseForFolder(std::string_view, std::string& path) override { return Take(folders, path); }
  bool GetSaveFileName(const FileDialogOptions& o, std::string& path) override {
    dialogs.push_back(o);
    return Take(saveNames, path);
  }
  bool GetOpenFileName(const FileDialogOptions& o, std::string& path) override {
    dialogs.push_back(o);
    return Take(openNames, path);
  }
  UINT TrackPopupMenu(const std::vector<PopupMenuItem>& items, POINT) override {
    menus.push_back(items);
    if (menuChoices.empty()) return 0;
    UINT c = menuChoices.front();
    menuChoices.pop_front();
    return c;
  }
  int RunFindDialog(FindDialogData& data) override {
    ++findDialogRuns;
    return findDialog ? findDialog(data) : IDCANCEL;
  }
  void SetFocusToTree() override { ++treeFocused; }
  TVHITTESTINFO HitTestTree(POINT) override { return nextHit; }
  POINT GetMessagePos() override { return messagePos; }

 private:
  static bool Take(std::deque<std::string>& q, std::string& out) {
    if (q.empty()) return false;
    std::string v = q.front();
    q.pop_front();
    if (v.empty()) return false;
    out = v;
    return true;
  }
};

class MemoryProfile : public ProfileStore {
 public:
  std::map<std::string, std::map<std::string, std::string>> sections;

  int GetProfileInt(std::string_view s, std::string_view e, int def) override {
    auto it = Find(s, e);
    if (!it) return def;
    try {
      return std::stoi(*it);
    } catch (...) {
      return def;
    }
  }
  void WriteProfileInt(std::string_view s, std::string_view e, int v) override {
    sections[std::string(s)][std::string(e)] = std::to_string(v);
  }
  std::string GetProfileString(std::string_view s, std::string_view e, bool* found) override {
    auto it = Find(s, e);
    if (found) *found = it != nullptr;
    return it ? *it : std::string();
  }
  void WriteProfileString(std::string_view s, std::string_view e, std::string_view v) override {
    sections[std::string(s)][std::string(e)] = std::string(v);
  }

 private:
  const std::string* Find(std::string_view s, std::string_view e) const {
    auto sec = sections.find(std::string(s));
    if (sec == sections.end()) return nullptr;
    auto it = sec->second.find(std::string(e));
    return it == sec->second.end() ? nullptr : &it->second;
  }
};

// The program's frame over a scripted host and in-memory settings: the whole
// program without its window.
template <class Host = ScriptedHost>
struct BasicScriptedFrame {
  Host host;
  MemoryProfile profile;
  CMainFrame frame{host, profile};
  CTreeCtrl& tree = frame.Tree();
};
using ScriptedFrame = BasicScriptedFrame<>;
