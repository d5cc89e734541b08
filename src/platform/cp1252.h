// Labels as the window shows them. Catalogues written on a Western Windows
// system hold labels in Windows-1252; a label that is not valid UTF-8 is taken
// to be one of those and decoded as such, so the text shown is always UTF-8.
#pragma once

#include <string>
#include <string_view>

// Whether text is well-formed UTF-8 (no overlong forms, surrogates or code
// points beyond U+10FFFF).
bool IsValidUtf8(std::string_view text);

// Appends the Windows-1252 text to out as UTF-8. The five bytes the code page
// leaves undefined become the control characters of the same value, as the
// system's own conversion does, so no byte is lost.
void AppendCp1252AsUtf8(std::string_view text, std::string& out);

// Appends label to out as it is when it is valid UTF-8, else decoded from
// Windows-1252.
void AppendDisplayText(std::string_view label, std::string& out);
