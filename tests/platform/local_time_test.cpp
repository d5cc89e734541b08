#include "platform/local_time.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>

#include "support/scoped_time_zone.h"

namespace {

// POSIX zone rules, so the tests do not depend on the installed zone files.
constexpr const char* kUtc = "UTC0";
constexpr const char* kNewYork = "EST5EDT,M3.2.0,M11.1.0";
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

constexpr const char* kLabelFormat = "%d/%m/%Y-%H:%M";
constexpr const char* kInfoFormat = "%d %m %Y - %H:%M";

FILETIME Utc(int year, int month, int day, int hour, int minute, int second = 0) {
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  return UnixToFileTime(timegm(&t), 0);
}

struct TimeCase {
  const char* what;
  const char* tz;
  FILETIME time;
  const char* expected;
};

TEST(LocalTimeText, FormatsLabelTimes) {
  const TimeCase cases[] = {
      {"2003 in UTC", kUtc, Utc(2003, 3, 3, 14, 5), "03/03/2003-14:05"},
      {"2003 winter, one hour ahead", kBerlin, Utc(2003, 3, 3, 13, 5), "03/03/2003-14:05"},
      {"2003 summer, daylight saving", kBerlin, Utc(2003, 7, 15, 12, 5), "15/07/2003-14:05"},
      {"2003 summer, west of UTC", kNewYork, Utc(2003, 7, 15, 18, 5), "15/07/2003-14:05"},
      {"local date before the UTC date", kNewYork, Utc(2003, 3, 4, 2, 30), "03/03/2003-21:30"},
      {"last minute before the clocks go forward", kBerlin, Utc(2003, 3, 30, 0, 59),
       "30/03/2003-01:59"},
      {"first minute after the clocks go forward", kBerlin, Utc(2003, 3, 30, 1, 0),
       "30/03/2003-03:00"},
      {"seconds are dropped, not rounded", kUtc, Utc(2003, 3, 3, 14, 5, 59), "03/03/2003-14:05"},
      {"zero time is the start of 1970, New York", kNewYork, U64ToFileTime(0), "31/12/1969-19:00"},
      {"zero time is the start of 1970, Berlin", kBerlin, U64ToFileTime(0), "01/01/1970-01:00"},
      {"year 1899 is the start of 1970", kUtc, Utc(1899, 6, 1, 12, 0), "01/01/1970-00:00"},
      {"unconvertible time is the start of 1970", kNewYork, U64ToFileTime(0x8000000000000000),
       "31/12/1969-19:00"},
      {"largest FILETIME is the start of 1970", kUtc, U64ToFileTime(~uint64_t{0}),
       "01/01/1970-00:00"},
      {"largest convertible time is past 2038", kUtc, U64ToFileTime(0x7FFFFFFFFFFFFFFF), ""},
      {"between 1900 and 1970 is out of range", kUtc, Utc(1900, 6, 1, 12, 0), ""},
      {"one second before 1970 is out of range", kUtc, Utc(1969, 12, 31, 23, 59, 59), ""},
      {"before 1970 in UTC, though 1970 locally", kBerlin, Utc(1969, 12, 31, 23, 30), ""},
      {"1899 in UTC is 1900 locally: out of range", kBerlin, Utc(1899, 12, 31, 23, 30), ""},
      {"the moment 0 itself", kUtc, Utc(1970, 1, 1, 0, 0), "01/01/1970-00:00"},
      {"last second of 32-bit time", kUtc, Utc(2038, 1, 19, 3, 14, 7), "19/01/2038-03:14"},
      {"first second past 32-bit time", kUtc, Utc(2038, 1, 19, 3, 14, 8), ""},
      {"2040 is out of range", kBerlin, Utc(2040, 6, 1, 12, 0), ""},
  };
  for (const TimeCase& c : cases) {
    ScopedTimeZone zone(c.tz);
    EXPECT_EQ(FormatFileTime(c.time, kLabelFormat), c.expected) << c.what;
  }
}

TEST(LocalTimeText, FormatsFileInfoTimes) {
  ScopedTimeZone zone(kBerlin);
  EXPECT_EQ(FormatFileTime(Utc(2003, 3, 3, 13, 5), kInfoFormat), "03 03 2003 - 14:05");
  EXPECT_EQ(FormatFileTime(U64ToFileTime(0), kInfoFormat), "01 01 1970 - 01:00");
  EXPECT_EQ(FormatFileTime(Utc(2040, 1, 1, 0, 0), kInfoFormat), "");
}

TEST(LocalTimeText, BufferFormTerminatesAndReportsLength) {
  ScopedTimeZone zone(kUtc);
  char buffer[32];
  EXPECT_EQ(FormatFileTime(Utc(2003, 3, 3, 14, 5), kLabelFormat, buffer, sizeof buffer), 16u);
  EXPECT_STREQ(buffer, "03/03/2003-14:05");

  // Too small for the text: nothing, but still a valid empty string.
  char small[8] = "xxxxxxx";
  EXPECT_EQ(FormatFileTime(Utc(2003, 3, 3, 14, 5), kLabelFormat, small, sizeof small), 0u);
  EXPECT_STREQ(small, "");

  buffer[0] = 'x';
  EXPECT_EQ(FormatFileTime(Utc(2040, 1, 1, 0, 0), kLabelFormat, buffer, sizeof buffer), 0u);
  EXPECT_STREQ(buffer, "");
}

TEST(UnixToFileTimeTest, ConvertsAndClamps) {
  struct {
    int64_t sec;
    uint32_t nsec;
    uint64_t expected;
  } const cases[] = {
      {0, 0, 116444736000000000},  // 1970 in 100 ns ticks since 1601
      {0, 999'999'999, 116444736009999999},
      {1, 150, 116444736010000001},  // sub-tick nanoseconds are dropped
      {-11'644'473'600, 0, 0},       // 1601 itself
      {-11'644'473'601, 0, 0},       // before 1601: clamped
      {1'046'700'300, 0, 126911739000000000},
      {INT64_MAX, 0, ~uint64_t{0}},  // past the FILETIME range: clamped
  };
  for (const auto& c : cases)
    EXPECT_EQ(FileTimeToU64(UnixToFileTime(c.sec, c.nsec)), c.expected) << c.sec << "." << c.nsec;
}

}  // namespace
