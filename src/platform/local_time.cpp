#include "platform/local_time.h"

#include <time.h>

#include <limits>

#include "platform/local_calendar.h"

namespace {

constexpr int64_t kSecondsFrom1601To1970 = 11'644'473'600;
constexpr uint64_t kLargestConvertible = 0x7FFF'FFFF'FFFF'FFFF;

}  // namespace

FILETIME UnixToFileTime(int64_t sec, uint32_t nsec) {
  constexpr int64_t kLastSecond =
      static_cast<int64_t>(std::numeric_limits<uint64_t>::max() / kFileTimeTicksPerSecond) -
      kSecondsFrom1601To1970 - 1;
  if (sec < -kSecondsFrom1601To1970) return U64ToFileTime(0);
  if (sec > kLastSecond) return U64ToFileTime(std::numeric_limits<uint64_t>::max());
  if (nsec > 999'999'999) nsec = 999'999'999;
  const uint64_t ticks =
      static_cast<uint64_t>(sec + kSecondsFrom1601To1970) * kFileTimeTicksPerSecond + nsec / 100;
  return U64ToFileTime(ticks);
}

size_t FormatFileTime(FILETIME ft, const char* format, char* out, size_t size) {
  if (size == 0) return 0;
  out[0] = '\0';

  const uint64_t ticks = FileTimeToU64(ft);
  struct tm local {};
  bool asMomentZero = ticks > kLargestConvertible;
  if (!asMomentZero) {
    const int64_t sec =
        static_cast<int64_t>(ticks / kFileTimeTicksPerSecond) - kSecondsFrom1601To1970;
    if (sec > std::numeric_limits<int32_t>::max()) return 0;  // past 2038, always after 1900
    if (sec < 0) {
      // Before 1970: years before 1900 (local calendar) show the moment 0,
      // the rest is out of range.
      if (LocalCalendar(sec, local) && local.tm_year >= 0) return 0;
      asMomentZero = true;
    } else if (!LocalCalendar(sec, local)) {
      return 0;
    }
  }
  if (asMomentZero && !LocalCalendar(0, local)) return 0;
  const size_t length = strftime(out, size, format, &local);
  if (length == 0) out[0] = '\0';  // strftime leaves the buffer undefined when it does not fit
  return length;
}

std::string FormatFileTime(FILETIME ft, const char* format) {
  char text[128];
  const size_t length = FormatFileTime(ft, format, text, sizeof text);
  return std::string(text, length);
}
