#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "gui_support.h"

namespace {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// A settings file that cannot be read whole gives the defaults and is left
// exactly as it was; a readable one keeps its other sections when written.
TEST(ProfileStoreGui, BadSettingsFilesGiveDefaultsAndLoseNothing) {
  struct Case {
    const char* name;
    QByteArray contents;
    bool expectUnchanged;
  };
  const Case cases[] = {
      {"garbage",
       QByteArray("\x00\xff[Find\x01\nExactMatch=\"\n\xfe\xfe", 16) + "[Other]\nkeep=1\n", true},
      {"other sections", "[Other]\nkeep=1\n[Find]\nIgnoreCase=0\n", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const TempSettings settings(c.contents);
    {
      QtProfileStore profile(settings.path);
      MainWindow window(profile);
      EXPECT_FALSE(window.Frame().m_bExactMatch);
    }
    const QByteArray after = ReadAll(settings.path);
    if (c.expectUnchanged)
      EXPECT_EQ(after, c.contents);
    else
      EXPECT_TRUE(after.contains("keep=1")) << after.constData();
  }
}

TEST(ProfileStoreGui, SettingsPathThatIsAFolderIsNeverWritten) {
  QTemporaryDir dir;
  const QString path = dir.filePath("ZTR.conf");
  ASSERT_TRUE(QDir().mkdir(path));
  {
    QtProfileStore profile(path);
    EXPECT_TRUE(profile.ReadOnly());
    MainWindow window(profile);
    EXPECT_TRUE(window.Frame().m_bIgnoreCase);
  }
  EXPECT_TRUE(QFileInfo(path).isDir());
}

}  // namespace
