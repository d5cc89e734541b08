#include <gtest/gtest.h>

#include <QProcess>

#include "gui/startup.h"
#include "gui_support.h"
#include "tree/tree_item.h"

namespace {

TEST(StartupGui, FileNamedOnTheCommandLineIsOpened) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("catalogue.ztr").toStdString();
  {
    // A catalogue with one marked file, written by the program itself.
    QtProfileStore profile(dir.filePath("a.conf"));
    MainWindow writer(profile);
    CTreeCtrl& tree = writer.Frame().Tree();
    HTREEITEM top = tree.InsertItem(TVIF_TEXT | TVIF_STATE, "/data", 0, 0, 0x1000, 0xF000, nullptr,
                                    TVI_ROOT, TVI_LAST);
    auto* data = new CTreeItemData;
    data->m_nFileSize = 7;
    tree.InsertItem(TVIF_TEXT | TVIF_STATE | TVIF_PARAM, "a   7 bytes, 01/02/2003-10:30", 5, 5,
                    0x2000, 0xF000, data, top, TVI_LAST);
    writer.Frame().SaveTree(path, nullptr);
  }
  QtProfileStore profile(dir.filePath("b.conf"));
  std::unique_ptr<MainWindow> window = StartMainWindow(profile, {QString::fromStdString(path)});
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle().toStdString(),
            "Directory Listing Viewer - ZTR Project - [" + path + "]");
  EXPECT_EQ(window->Frame().Tree().GetCount(), 2u);
  EXPECT_EQ(window->Frame().m_nMarkedFiles, 1);
  EXPECT_TRUE(
      window->Frame().Tree().GetItemState(window->Frame().Tree().GetRootItem(), TVIS_EXPANDED));
  EXPECT_FALSE(window->Frame().m_bModified);
}

// An ncdu export opens as an untitled tree, so Save never writes over it.
TEST(StartupGui, NcduExportNamedOnTheCommandLineIsImported) {
  QTemporaryDir dir;
  const QString path = dir.filePath("nas.json");
  QFile json(path);
  ASSERT_TRUE(json.open(QIODevice::WriteOnly));
  json.write(R"([1,2,{},[{"name":"/srv"},{"name":"f","asize":7},[{"name":"d"}]]])");
  json.close();
  QtProfileStore profile(dir.filePath("a.conf"));
  std::unique_ptr<MainWindow> window = StartMainWindow(profile, {path});
  const CTreeCtrl& tree = window->Frame().Tree();
  EXPECT_EQ(window->windowTitle(), "Directory Listing Viewer - ZTR Project");
  EXPECT_FALSE(window->Frame().m_bModified);
  ASSERT_EQ(tree.GetCount(), 3u);
  EXPECT_EQ(tree.GetItemText(tree.GetRootItem()), "/srv");
  // Subfolders before files, as a scan has them.
  EXPECT_EQ(tree.GetItemText(tree.GetChildItem(tree.GetRootItem())), "d");
}

TEST(StartupGui, WithoutAFileTheWindowStartsEmpty) {
  QTemporaryDir dir;
  QtProfileStore profile(dir.filePath("a.conf"));
  std::unique_ptr<MainWindow> window = StartMainWindow(profile, {});
  EXPECT_EQ(window->Frame().Tree().GetCount(), 0u);
  EXPECT_EQ(window->windowTitle(), "Directory Listing Viewer - ZTR Project");
}

TEST(StartupGui, HelpAndVersionNeedNoDisplay) {
  for (const char* arg : {"--help", "--version"}) {
    QProcess ztr;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    ztr.setProcessEnvironment(env);
    ztr.start(ZTR_GUI_PATH, {arg});
    ASSERT_TRUE(ztr.waitForFinished(10000)) << arg;
    EXPECT_EQ(ztr.exitCode(), 0) << arg;
    const QString out = ztr.readAllStandardOutput();
    EXPECT_TRUE(out.startsWith(QString(arg) == "--help" ? "Usage: ztr" : "ztr 1.04")) << arg;
  }
}

}  // namespace
