#include <gtest/gtest.h>

#include "gui/startup.h"
#include "gui_support.h"
#include "support/program_runner.h"
#include "support/tree_builder.h"

namespace {

TEST(StartupGui, FileNamedOnTheCommandLineIsOpened) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("catalogue.ztr").toStdString();
  {
    // A catalogue with one marked file, written by the program itself.
    QtProfileStore profile(dir.filePath("a.conf"));
    MainWindow writer(profile);
    CTreeCtrl& tree = writer.Frame().Tree();
    AddFile(tree, "a   7 bytes, 01/02/2003-10:30", 7, AddFolder(tree, "/data"), 2);
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
    RunOptions noDisplay;
    noDisplay.unset = {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"};
    const ProgramResult ztr = RunProgram(ZTR_GUI_PATH, {arg}, noDisplay);
    EXPECT_EQ(ztr.status, 0) << arg;
    EXPECT_TRUE(ztr.out.starts_with(std::string(arg) == "--help" ? "Usage: ztr" : "ztr 1.04"))
        << arg;
  }
}

}  // namespace
