// Descriptors to read files and standard input from, byte for byte.
#pragma once

// Opens the file at the UTF-8 `path` for reading; -1 with errno set when it
// cannot be opened.
int OpenForReading(const char* path);

// Standard input's descriptor, set to give its bytes unchanged (Windows would
// otherwise turn CR LF into LF and stop at Ctrl+Z).
int StandardInputBytes();
