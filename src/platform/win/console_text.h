// The command line and the console in UTF-8 on Windows, where a program's
// narrow argv is in the ANSI code page and loses every name outside it.
#pragma once

#include <string>
#include <vector>

// The program's arguments, from the wide command line, as UTF-8.
std::vector<std::string> Utf8Arguments();
// Makes the console show the UTF-8 the tool writes.
void UseUtf8Console();
