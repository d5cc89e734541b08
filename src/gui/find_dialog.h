// The Find dialog.
#pragma once

#include "app/frame_host.h"

class QWidget;

// Runs the Find dialog modally over parent; IDOK or IDCANCEL.
int RunFindDialog(QWidget* parent, FindDialogData& data);
