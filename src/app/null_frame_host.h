// A window-system interface that shows nothing and answers every question as
// a cancel: for benchmarks and fuzzers that drive the frame without a user.
#pragma once

#include "app/frame_host.h"
#include "app/profile_store.h"

class NullFrameHost : public FrameHost {
 public:
  int MessageBox(std::string_view, std::string_view, UINT type) override {
    return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
  }
  void SetStatusText(int, std::string_view, UINT) override {}
  void SetStatusParts(const std::vector<int>&) override {}
  void SetWindowText(std::string_view) override {}
  void BeginWaitCursor() override {}
  void EndWaitCursor() override {}
  bool BrowseForFolder(std::string_view, std::string&) override { return false; }
  bool GetSaveFileName(const FileDialogOptions&, std::string&) override { return false; }
  bool GetOpenFileName(const FileDialogOptions&, std::string&) override { return false; }
  UINT TrackPopupMenu(const std::vector<PopupMenuItem>&, POINT) override { return 0; }
  int RunFindDialog(FindDialogData&) override { return IDCANCEL; }
  void SetFocusToTree() override {}
  TVHITTESTINFO HitTestTree(POINT) override { return {}; }
  POINT GetMessagePos() override { return {}; }
};

// Settings that are never kept: every read gives the default.
class NullProfileStore : public ProfileStore {
 public:
  int GetProfileInt(std::string_view, std::string_view, int defaultValue) override {
    return defaultValue;
  }
  void WriteProfileInt(std::string_view, std::string_view, int) override {}
  std::string GetProfileString(std::string_view, std::string_view, bool* found) override {
    if (found) *found = false;
    return {};
  }
  void WriteProfileString(std::string_view, std::string_view, std::string_view) override {}
};
