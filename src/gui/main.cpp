#include <QApplication>
#include <QCommandLineParser>
#include <cstdio>

#include "app/viewer_app.h"
#include "gui/main_window.h"
#include "gui/qt_profile_store.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("ZTR");
  QApplication::setOrganizationName("Local AppWizard-Generated Applications");
  QApplication::setApplicationVersion(ZTR_VERSION);

  QCommandLineParser parser;
  parser.setApplicationDescription("ZTR catalogues directory trees.");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addPositionalArgument("FILE", "A tree file (.ztr) to open at start-up.", "[FILE]");
  parser.process(app);

  QtProfileStore profile;
  CViewerApp viewer(profile);
  viewer.LoadStdProfileSettings();
  int status;
  {
    MainWindow window(profile);
    window.show();
    if (!parser.positionalArguments().isEmpty())
      window.OpenFile(parser.positionalArguments().first().toStdString());
    status = app.exec();
  }
  viewer.SaveStdProfileSettings();
  return status;
}
