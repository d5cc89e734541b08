// Limits of what a tree file written here holds.
#pragma once

#include <cstddef>

// The longest label a record keeps, in bytes. Labels of a Linux scan can be
// far longer than the 260 characters of the platform the format comes from
// (a full path of up to 4096 bytes, a 255-byte name with its size and time),
// and cutting them would lose their text; every reader of the format takes
// a label of any length, so the limit only stops a runaway label. It stays
// below 65534, so only the 1- and 3-byte length prefixes are ever written.
inline constexpr size_t kMaxSavedLabel = 4608;
