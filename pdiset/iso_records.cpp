#include "iso_records.h"

#include <algorithm>

#include "byte_order.h"
#include "civil_time.h"
#include "iso9660_fields.h"
#include "layout.h"

namespace pdiset {

using namespace iso9660;

int64_t record_date_seconds(const unsigned char* d) {
  return civil_seconds(1900 + int64_t{d[0]}, d[1], d[2], d[3], d[4], d[5], static_cast<signed char>(d[6]) * 900);
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
  return civil_seconds(v[0], v[1], v[2], v[3], v[4], v[5], static_cast<signed char>(d[16]) * 900);
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
    unsigned name_length = p + kIdentifier <= size ? bytes[p + kIdentifierLength] : 0;
    if (length < kMinRecordLength || p + length > size || kRecordFixedPart + name_length > length) {
      p = next_sector(p);
      continue;
    }
    if (records.size() == max_records) {
      *more = true;
      break;
    }
    const unsigned char* r = bytes + p;
    IsoRecord record;
    const unsigned char* date = r + kRecordingDate;
    record.ear_sectors = r[kEarLength];
    record.record.first_sector = le32(r + kExtent);
    record.record.data_length = le32(r + kDataLength);
    record.record.year = 1900 + date[0];
    record.record.month = date[1];
    record.record.day = date[2];
    record.record.hour = date[3];
    record.record.minute = date[4];
    record.record.second = date[5];
    record.record.gmt_offset = static_cast<signed char>(r[kGmtOffset]);
    record.record.flags = r[kFileFlags];
    record.record.name.assign(reinterpret_cast<const char*>(r + kIdentifier), name_length);
    record.mtime = record_date_seconds(date);
    // The identifier is padded to an even record offset.
    unsigned use_at = kIdentifier + name_length + (name_length % 2 == 0 ? 1 : 0);
    if (use_at < length) record.system_use.assign(reinterpret_cast<const char*>(r + use_at), length - use_at);
    records.push_back(std::move(record));
    p += length;
  }
  return records;
}

}  // namespace pdiset
