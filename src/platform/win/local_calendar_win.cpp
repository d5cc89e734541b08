// Local time on Windows: the system's own conversion, with the daylight
// saving rule of the moment's date, not of today.
#include <windows.h>

#include "platform/local_calendar.h"

bool LocalCalendar(int64_t sec, struct tm& out) {
  constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
  if (sec < -kSecondsFrom1601To1970) return false;
  const uint64_t ticks = static_cast<uint64_t>(sec + kSecondsFrom1601To1970) * 10'000'000u;
  const FILETIME ft{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
  SYSTEMTIME utc, local;
  if (!FileTimeToSystemTime(&ft, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local))
    return false;
  out = {};
  out.tm_year = local.wYear - 1900;
  out.tm_mon = local.wMonth - 1;
  out.tm_mday = local.wDay;
  out.tm_hour = local.wHour;
  out.tm_min = local.wMinute;
  out.tm_sec = local.wSecond;
  out.tm_wday = local.wDayOfWeek;
  out.tm_isdst = -1;
  return true;
}
