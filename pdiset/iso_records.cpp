#include "iso_records.h"

#include <algorithm>

#include "layout.h"

namespace pdiset {

namespace {

uint32_t le32(const unsigned char* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

int64_t seconds_of(int64_t year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second,
                   int quarter_hours) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return 0;
  return days_from_civil(year, month, day) * 86400 + int64_t{hour} * 3600 + int64_t{minute} * 60 + second -
         int64_t{quarter_hours} * 900;
}

}  // namespace

int64_t days_from_civil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

int64_t record_date_seconds(const unsigned char* d) {
  return seconds_of(1900 + int64_t{d[0]}, d[1], d[2], d[3], d[4], d[5], static_cast<signed char>(d[6]));
}

int64_t long_date_seconds(const unsigned char* d) {
  unsigned v[7];
  const int widths[7] = {4, 2, 2, 2, 2, 2, 2};
  int at = 0;
  for (int i = 0; i < 7; ++i) {
    v[i] = 0;
    for (int k = 0; k < widths[i]; ++k, ++at) {
      if (d[at] < '0' || d[at] > '9') return 0;
      v[i] = v[i] * 10 + (d[at] - '0');
    }
  }
  if (v[0] == 0) return 0;
  return seconds_of(v[0], v[1], v[2], v[3], v[4], v[5], static_cast<signed char>(d[16]));
}

std::vector<IsoRecord> walk_iso_records(const unsigned char* bytes, int64_t size, size_t max_records,
                                        bool* more) {
  std::vector<IsoRecord> records;
  // Records are rarely shorter than 64 bytes; a guess, not a bound.
  records.reserve(static_cast<size_t>(std::min<int64_t>(size / 64, int64_t(max_records))));
  *more = false;
  int64_t p = 0;
  auto next_sector = [](int64_t at) { return (at / kSectorSize + 1) * kSectorSize; };
  while (p < size) {
    unsigned length = bytes[p];
    if (length == 0) {
      p = next_sector(p);
      continue;
    }
    unsigned name_length = p + 33 <= size ? bytes[p + 32] : 0;
    if (length < 34 || p + length > size || 33 + name_length > length) {
      p = next_sector(p);
      continue;
    }
    if (records.size() == max_records) {
      *more = true;
      break;
    }
    const unsigned char* r = bytes + p;
    IsoRecord record;
    record.ear_sectors = r[1];
    record.record.first_sector = le32(r + 2);
    record.record.data_length = le32(r + 10);
    record.record.year = 1900 + r[18];
    record.record.month = r[19];
    record.record.day = r[20];
    record.record.hour = r[21];
    record.record.minute = r[22];
    record.record.second = r[23];
    record.record.gmt_offset = static_cast<signed char>(r[24]);
    record.record.flags = r[25];
    record.record.name.assign(reinterpret_cast<const char*>(r + 33), name_length);
    record.mtime = record_date_seconds(r + 18);
    // The identifier is padded to an even record offset.
    unsigned use_at = 33 + name_length + (name_length % 2 == 0 ? 1 : 0);
    if (use_at < length) record.system_use.assign(reinterpret_cast<const char*>(r + use_at), length - use_at);
    records.push_back(std::move(record));
    p += length;
  }
  return records;
}

}  // namespace pdiset
