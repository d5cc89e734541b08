#include "gui/startup.h"

#include <QFileInfo>

#include "gui/main_window.h"

std::unique_ptr<MainWindow> StartMainWindow(ProfileStore& profile, const QStringList& files) {
  auto window = std::make_unique<MainWindow>(profile);
  window->show();
  if (!files.isEmpty())
    window->OpenFile(QFileInfo(files.first()).absoluteFilePath().toLocal8Bit().toStdString());
  return window;
}
