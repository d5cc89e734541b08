// Label bytes and other program text as the window shows them.
#pragma once

#include <QString>
#include <string_view>

// The core's one decoding of label bytes (UTF-8 as it is, otherwise
// Windows-1252), as a QString.
QString DisplayTextOf(std::string_view bytes);

// text for one line: control characters (a line break in a file name) are
// shown as escapes (\n, \t, \x1B), so a label never spreads over two lines
// or hides a character.
QString OneLineText(QString text);

// Names sort as a person reads them: letters of either case together, then
// by their bytes so that the order is total. <0, 0 or >0.
int CompareFolded(std::string_view a, std::string_view b);
