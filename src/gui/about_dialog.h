// The About box.
#pragma once

class QWidget;

// Runs the About box modally over parent.
void RunAboutDialog(QWidget* parent);
