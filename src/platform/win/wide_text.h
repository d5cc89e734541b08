// Windows names are UTF-16; the program's text is UTF-8 (see the README on
// labels). These convert between the two.
#pragma once

#include <string>
#include <string_view>

std::wstring WideFromUtf8(std::string_view text);
// Unpaired surrogates (possible in NTFS names) become U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
