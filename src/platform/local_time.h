// Turning raw file times (UTC) into the local-time text shown in labels and
// in File Info.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win_types.h"

inline constexpr int64_t kFileTimeTicksPerSecond = 10'000'000;  // FILETIME counts 100 ns ticks

// The FILETIME of a moment given as seconds and nanoseconds since 1970 UTC.
// Moments before 1601 become 0; moments past the FILETIME range become its
// largest value.
FILETIME UnixToFileTime(int64_t sec, uint32_t nsec);

// Formats `ft`, converted to local time (daylight saving decided for that
// date), with the strftime `format`:
//  - a time that cannot be converted (above 0x7FFFFFFFFFFFFFFF) or whose local
//    calendar year is before 1900 is shown as the moment 0, 1970-01-01 00:00
//    UTC, in local time;
//  - otherwise a time outside signed 32-bit seconds since 1970 (before 1970 or
//    after 2038-01-19 03:14:07 UTC) gives an empty text.
// Reads the time zone the C library last loaded (call tzset() after changing
// TZ).
std::string FormatFileTime(FILETIME ft, const char* format);

// The same into a caller's buffer, for building labels without a temporary
// string. Returns the length written (the text is zero-terminated), 0 for an
// empty text or one that does not fit.
size_t FormatFileTime(FILETIME ft, const char* format, char* out, size_t size);
