// The local calendar fields of a moment, as the system's time-zone rules give
// them (daylight saving decided for that date).
#pragma once

#include <cstdint>
#include <ctime>

// Fills `out` for `sec` seconds since 1970-01-01 UTC; false when the system
// cannot convert the moment.
bool LocalCalendar(int64_t sec, struct tm& out);
