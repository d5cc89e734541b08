// The values of the query functions that compare numbers: sizes with units,
// calendar dates at year, month or day, counts. Each reads as a comparison
// (>, >=, <, <=, =), a range a..b (either end may be left open) or a single
// value, which for a date means its whole year, month or day.
#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

#include "platform/win_types.h"

// The values from low to high, both included.
struct ValueRange {
  int64_t low = std::numeric_limits<int64_t>::min();
  int64_t high = std::numeric_limits<int64_t>::max();
  bool Contains(int64_t v) const { return v >= low && v <= high; }
};

// "10mb", ">1gb", "1kb..2kb", "<=4096": units b kb mb gb tb (k m g t too),
// 1024-based, a fraction allowed ("1.5gb"). None when the text is no size.
std::optional<ValueRange> ParseSizeRange(std::string_view text);
// "2019", "2019-06", ">=2023-01-15", "2019..2020" as day keys (DayKey).
std::optional<ValueRange> ParseDateRange(std::string_view text);
// "3", ">2", "1..4": whole numbers.
std::optional<ValueRange> ParseCountRange(std::string_view text);

// The local calendar day of a file time as yyyymmdd, the date its label
// shows; none for a time the system cannot convert.
std::optional<int64_t> DayKey(FILETIME time);
