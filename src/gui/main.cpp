#include <QApplication>
#include <cstdio>
#include <cstring>

#include "app/resource.h"
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
    "  FILE.ztr     a tree file to open at start-up (one at most)\n"
    "  --help       show this help and exit\n"
    "  --version    show the version and exit\n";

// Qt's own options that take a value, as QApplication reads them (with one
// dash or two); they are left for it.
bool IsQtOptionWithValue(const char* arg) {
  if (arg[0] == '-' && arg[1] == '-') ++arg;
  for (const char* name : {"-platform", "-platformpluginpath", "-platformtheme", "-plugin",
                           "-style", "-stylesheet", "-session", "-display", "-qwindowgeometry",
                           "-qwindowtitle", "-qwindowicon", "-name", "-title"})
    if (!std::strcmp(arg, name)) return true;
  return false;
}

bool IsQtFlag(const char* arg) {
  if (arg[0] == '-' && arg[1] == '-') ++arg;
  return !std::strcmp(arg, "-reverse");
}

int UsageError(const char* what, const char* arg) {
  std::fprintf(stderr, "ztr: %s: %s\n", what, arg);
  std::fputs(kUsage, stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is touched, so they work without a
  // display; so is a command line the program cannot follow.
  const char* file = nullptr;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    if (optionsEnded || arg[0] != '-' || !arg[1]) {
      if (file) return UsageError("only one tree file can be opened", arg);
      file = arg;
    } else if (!std::strcmp(arg, "--")) {
      optionsEnded = true;
    } else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!std::strcmp(arg, "--version")) {
      std::printf("ztr %s\n", ZTR_VERSION);
      return 0;
    } else if (IsQtOptionWithValue(arg)) {
      if (++i == argc) return UsageError("option needs a value", arg);
    } else if (!IsQtFlag(arg)) {
      return UsageError("unknown option", arg);
    }
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(kAppName);
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationVersion(ZTR_VERSION);
  QStringList files;
  if (file) files << QString::fromLocal8Bit(file);

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
