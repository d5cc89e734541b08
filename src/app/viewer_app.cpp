#include "app/viewer_app.h"

namespace {
constexpr const char kRecentSection[] = "Recent File List";
constexpr const char kSettingsSection[] = "Settings";
std::string RecentEntry(int i) { return "File" + std::to_string(i + 1); }
}  // namespace

void CViewerApp::LoadStdProfileSettings() {
  for (int i = 0; i < kRecentFiles; ++i)
    m_recentFiles[i] = m_profile.GetProfileString(kRecentSection, RecentEntry(i));
  m_nPreviewPages = m_profile.GetProfileInt(kSettingsSection, "PreviewPages", 0);
}

// The recent files are written back as they were read; entries beyond the
// four the list holds, which a user may have added, stay in the file.
void CViewerApp::SaveStdProfileSettings() {
  for (int i = 0; i < kRecentFiles; ++i)
    if (!m_recentFiles[i].empty())
      m_profile.WriteProfileString(kRecentSection, RecentEntry(i), m_recentFiles[i]);
  if (m_nPreviewPages != 0)
    m_profile.WriteProfileInt(kSettingsSection, "PreviewPages", m_nPreviewPages);
}
