#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/viewer_app.h"
#include "gui/main_window.h"
#include "gui/qt_profile_store.h"
#include "gui/startup.h"

namespace {

constexpr const char kUsage[] =
    "Usage: ztr [FILE.ztr]\n"
    "ZTR catalogues directory trees: scan folders, mark files and total their sizes,\n"
    "prune branches, search names, and keep the catalogue in .ztr tree files.\n"
    "\n"
    "  FILE.ztr     a tree file to open at start-up\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is touched, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (!std::strcmp(argv[i], "--version")) {
      std::printf("ztr %s\n", ZTR_VERSION);
      return 0;
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName("ZTR");
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationVersion(ZTR_VERSION);
  // The arguments left once Qt has taken its own (such as -platform).
  QStringList files;
  for (const QString& arg : QApplication::arguments().mid(1))
    if (!arg.startsWith('-')) files << arg;

  QtProfileStore profile;
  CViewerApp viewer(profile);
  viewer.LoadStdProfileSettings();
  int status;
  {
    std::unique_ptr<MainWindow> window = StartMainWindow(profile, files);
    status = app.exec();
  }
  viewer.SaveStdProfileSettings();
  return status;
}
