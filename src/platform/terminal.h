// What a program writing to a console needs to know of it.
#pragma once

#include <cstdio>

// Whether the stream goes to a terminal (not a file or a pipe).
bool IsTerminal(std::FILE* stream);
// The terminal's width in columns; 80 when it cannot be told.
int TerminalColumns(std::FILE* stream);
