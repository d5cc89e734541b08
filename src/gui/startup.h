// What `ztr [FILE.ztr]` does once the application object exists: the main
// window, shown, with the tree file named on the command line opened.
#pragma once

#include <QStringList>
#include <memory>

class MainWindow;
class ProfileStore;

std::unique_ptr<MainWindow> StartMainWindow(ProfileStore& profile, const QStringList& files);
