#include "app/viewer_app.h"

#include <gtest/gtest.h>

#include "support/scripted_host.h"

namespace {

// The recent-file list and PreviewPages are carried through unchanged, other
// entries of the list stay; empty entries are not written back, and
// PreviewPages only when it is non-zero.
TEST(ViewerApp, StandardSettingsAreCarriedThrough) {
  MemoryProfile profile;
  profile.sections["Recent File List"] = {{"File1", "/a.ztr"}, {"File3", "/c.ztr"}, {"Stray", "x"}};
  profile.sections["Settings"] = {{"PreviewPages", "2"}};
  CViewerApp app(profile);
  app.LoadStdProfileSettings();
  EXPECT_EQ(app.m_recentFiles[0], "/a.ztr");
  EXPECT_EQ(app.m_recentFiles[1], "");
  EXPECT_EQ(app.m_nPreviewPages, 2);
  app.SaveStdProfileSettings();
  using Section = std::map<std::string, std::string>;
  EXPECT_EQ(profile.sections["Recent File List"],
            (Section{{"File1", "/a.ztr"}, {"File3", "/c.ztr"}, {"Stray", "x"}}));
  EXPECT_EQ(profile.sections["Settings"]["PreviewPages"], "2");

  MemoryProfile empty;
  CViewerApp fresh(empty);
  fresh.LoadStdProfileSettings();
  fresh.SaveStdProfileSettings();
  EXPECT_EQ(empty.sections.count("Settings"), 0u);
  EXPECT_TRUE(empty.sections["Recent File List"].empty());
}

}  // namespace
