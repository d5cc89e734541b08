#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/viewer_app.h"
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

// Only a changed value of ours is rewritten; every other byte stays.
TEST(ProfileStoreGui, SettingsFileIsRewrittenOnlyWhereOurValueChanged) {
  const QByteArray user =
      "; kept by hand\n[Recent File List]\nFile1=C:\\dir\\x.ztr\nFile5=/more.ztr\n\n"
      "[Other]\nkey = \"a, b\"  \nodd=\\q\n\n[Find]\n# mine\nIgnoreCase=1\nExactMatch=";
  for (const auto& [exact, after] : {std::pair("0\n", "0\n"), std::pair("5\n", "1\n")}) {
    const TempSettings settings(user + exact);
    {
      QtProfileStore profile(settings.path);
      CViewerApp app(profile);
      app.LoadStdProfileSettings();
      { MainWindow window(profile); }
      app.SaveStdProfileSettings();
    }
    EXPECT_EQ(ReadAll(settings.path).toStdString(), (user + after).toStdString());
  }
}

}  // namespace
