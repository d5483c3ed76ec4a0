#pragma once

#include <cstdint>
#include <ctime>

namespace testing_support {

// Seconds since 1970 of a local date and time, whatever the machine's time zone, so that a test
// can say "Monday 5 March 2001 at 09:07" and expect exactly that back.
inline std::time_t LocalTime(int year, int month, int day, int hour, int minute, int second = 0) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_hour = hour;
  t.tm_min = minute;
  t.tm_sec = second;
  t.tm_isdst = -1;
  return std::mktime(&t);
}

}  // namespace testing_support
