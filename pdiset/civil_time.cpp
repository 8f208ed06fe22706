#include "civil_time.h"

namespace pdiset {

int64_t days_from_civil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

int64_t civil_seconds(int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                      unsigned second, int64_t east_offset_seconds) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
  return days_from_civil(year, month, day) * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second -
         east_offset_seconds;
}

}  // namespace pdiset
