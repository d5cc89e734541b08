#include "platform/local_calendar.h"

bool LocalCalendar(int64_t sec, struct tm& out) {
  const time_t t = static_cast<time_t>(sec);
  return localtime_r(&t, &out) != nullptr;
}
