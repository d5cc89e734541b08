#include "gui/about_dialog.h"

void RunAboutDialog(QWidget*) {}
