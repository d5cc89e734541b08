// Labels as the window shows them. Catalogues written on a Western Windows
// system hold labels in Windows-1252; a label that is not valid UTF-8 is taken
// to be one of those and decoded as such, so the text shown is always UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "platform/utf8.h"

// Appends the Windows-1252 text to out as UTF-8. The five bytes the code page
// leaves undefined become the control characters of the same value, as the
// system's own conversion does, so no byte is lost.
void AppendCp1252AsUtf8(std::string_view text, std::string& out);

// The text shown to the user for label bytes, as UTF-8: the label as it is
// when it is valid UTF-8, else decoded from Windows-1252. Every place that
// shows a label (tree, status bar, caption, message boxes, ztr-tool) goes
// through this one decoding.
void AppendDisplayText(std::string_view label, std::string& out);
std::string DisplayText(std::string_view label);

// The character a Windows-1252 byte stands for.
char32_t Cp1252CodePoint(unsigned char byte);

// Encodes UTF-8 text in Windows-1252 (the inverse of AppendCp1252AsUtf8).
// False, with out unspecified, when the text is not valid UTF-8 or holds a
// character the code page lacks.
bool EncodeUtf8AsCp1252(std::string_view text, std::string& out);
