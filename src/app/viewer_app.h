// The application's own settings: the framework's recent-file list and the
// "PreviewPages" value, read at start-up and written back at exit unchanged
// (nothing in the program adds to them).
#pragma once

#include <array>
#include <string>

#include "app/profile_store.h"

class CViewerApp {
 public:
  static constexpr int kRecentFiles = 4;

  explicit CViewerApp(ProfileStore& profile) : m_profile(profile) {}
  void LoadStdProfileSettings();
  void SaveStdProfileSettings();

  std::array<std::string, kRecentFiles> m_recentFiles;
  int m_nPreviewPages = 0;

 private:
  ProfileStore& m_profile;
};
