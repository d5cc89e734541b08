// Text stored as UTF-16 by programs that wrote wide strings into tree files.
#pragma once

#include <cstddef>
#include <string>

// Converts units little-endian UTF-16 code units at bytes to UTF-8. A
// surrogate without its partner becomes U+FFFD, so the result is always
// valid UTF-8.
std::string Utf16LeToUtf8(const unsigned char* bytes, size_t units);
