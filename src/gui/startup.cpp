#include "gui/startup.h"

#include <QDir>
#include <QFileInfo>

#include "gui/main_window.h"

std::unique_ptr<MainWindow> StartMainWindow(ProfileStore& profile, const QStringList& files) {
  auto window = std::make_unique<MainWindow>(profile);
  window->show();
  if (!files.isEmpty())
    window->OpenFile(
        QDir::toNativeSeparators(QFileInfo(files.first()).absoluteFilePath()).toStdString());
  return window;
}
