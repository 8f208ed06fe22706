#ifndef PDISET_CIVIL_TIME_H
#define PDISET_CIVIL_TIME_H

// Dates as discs record them (ISO 9660 records and volume descriptors, UDF
// timestamps) turned into seconds since 1970 UTC: the one calendar rule.

#include <cstdint>

namespace pdiset {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t year, unsigned month, unsigned day);

// Seconds since 1970 UTC of a date and time recorded east_offset_seconds
// east of UTC; 0 for a date whose month or day is out of range.
int64_t civil_seconds(int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                      unsigned second, int64_t east_offset_seconds);

}  // namespace pdiset

#endif
