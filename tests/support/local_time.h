// Local moments for tests: a wall-clock time in the process's time zone,
// daylight saving decided by the system.
#pragma once

#include <ctime>

namespace kovalo::testing {

inline std::time_t LocalMoment(int year, int month, int day, int hour, int minute = 0,
                               int second = 0) {
  std::tm fields{};
  fields.tm_year = year - 1900;
  fields.tm_mon = month - 1;
  fields.tm_mday = day;
  fields.tm_hour = hour;
  fields.tm_min = minute;
  fields.tm_sec = second;
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

}  // namespace kovalo::testing
