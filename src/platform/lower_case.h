// Lower case for Find's case-blind matching: the same mapping of Unicode
// code points whatever the process's locale or the system's language.
#pragma once

// The lower-case form of the code point, or cp itself where it has none.
char32_t LowerCodePoint(char32_t cp);
