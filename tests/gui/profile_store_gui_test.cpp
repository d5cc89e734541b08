#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "gui/main_window.h"
#include "gui/qt_profile_store.h"

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
    QTemporaryDir dir;
    const QString path = dir.filePath("ZTR.conf");
    {
      QFile f(path);
      ASSERT_TRUE(f.open(QIODevice::WriteOnly));
      f.write(c.contents);
    }
    {
      QtProfileStore profile(path);
      MainWindow window(profile);
      EXPECT_FALSE(window.Frame().m_bExactMatch);
    }
    const QByteArray after = ReadAll(path);
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
